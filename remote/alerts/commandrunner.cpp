#include "remote/alerts/commandrunner.h"

#include "remote/alerts/alerttexts.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <unistd.h>

namespace remote::alerts {

namespace {
constexpr qint64 kErrorHeadBytes = 1024; // of a command's error output, the rest is discarded
}

struct CommandRunner::Process {
    QProcess process;
    QString program;
    QByteArray errorHead;
    bool done = false;
};

CommandRunner::CommandRunner(CommandQueue::Limits limits, QObject* parent)
    : QObject(parent)
    , m_queue(*this, limits) {
    m_clock.start();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_queue.expire(now());
        armTimer();
    });
}

CommandRunner::~CommandRunner() {
    // Commands still running are killed with the station; their ends are not reported.
    for (auto& [id, p] : m_processes) {
        p->process.disconnect(this);
        if (p->process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(p->process.processId()), SIGKILL);
            p->process.waitForFinished(1000);
        }
    }
}

void CommandRunner::run(const history::AlarmRecord& alarm) {
    const QStringList parts = QProcess::splitCommand(m_command);
    if (parts.isEmpty() || parts.front().isEmpty()) {
        return;
    }
    CommandJob job;
    for (const QString& part : parts) {
        job.arguments.push_back(part.toStdString());
    }
    job.environment = commandEnvironment(alarm);
    if (!m_queue.submit(std::move(job), now())) {
        emit dropped(m_queue.dropped());
    }
    armTimer();
}

void CommandRunner::start(CommandQueue::JobId id, const CommandJob& job) {
    auto owned = std::make_shared<Process>();
    Process* p = owned.get();
    m_processes[id] = owned;
    p->program = QString::fromStdString(job.arguments.front());
    QStringList arguments;
    for (std::size_t i = 1; i < job.arguments.size(); ++i) {
        arguments << QString::fromStdString(job.arguments[i]);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : job.environment) {
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    p->process.setProcessEnvironment(environment);
    p->process.setStandardInputFile(QProcess::nullDevice());
    p->process.setStandardOutputFile(QProcess::nullDevice());
    // Its own process group, so a kill reaches what a script started as well.
    p->process.setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(&p->process, &QProcess::readyReadStandardError, this, [p] {
        const QByteArray more = p->process.readAllStandardError();
        if (p->errorHead.size() < kErrorHeadBytes) {
            p->errorHead += more.left(kErrorHeadBytes - p->errorHead.size());
        }
    });
    connect(&p->process, &QProcess::finished, this,
            [this, id, p](int exitCode, QProcess::ExitStatus status) {
                p->errorHead += p->process.readAllStandardError().left(
                    std::max<qint64>(0, kErrorHeadBytes - p->errorHead.size()));
                const QString firstLine = QString::fromLocal8Bit(
                    p->errorHead.left(p->errorHead.indexOf('\n') < 0 ? p->errorHead.size()
                                                                     : p->errorHead.indexOf('\n')));
                CommandEnd e;
                e.kind = status == QProcess::NormalExit ? CommandEnd::Kind::Exited
                                                        : CommandEnd::Kind::Crashed;
                e.exitCode = exitCode;
                e.firstErrorLine = firstLine.trimmed().toStdString();
                end(id, e);
            });
    connect(&p->process, &QProcess::errorOccurred, this, [this, id, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            end(id,
                CommandEnd{
                    CommandEnd::Kind::NotStarted, 0, p->process.errorString().toStdString(), {}});
        }
    });
    p->process.start(p->program, arguments);
}

void CommandRunner::kill(CommandQueue::JobId id) {
    const auto it = m_processes.find(id);
    if (it != m_processes.end() && it->second->process.state() != QProcess::NotRunning) {
        const qint64 pid = it->second->process.processId();
        if (pid > 0) {
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
        }
        it->second->process.kill();
    }
}

void CommandRunner::end(CommandQueue::JobId id, CommandEnd e) {
    const auto it = m_processes.find(id);
    if (it == m_processes.end() || std::exchange(it->second->done, true)) {
        return;
    }
    // Released once its own signal has returned; the next waiting run starts after that
    // too, never inside the handler of the one that ended.
    std::shared_ptr<Process> process = std::move(it->second);
    process->process.disconnect(this);
    m_processes.erase(it);
    QMetaObject::invokeMethod(
        this,
        [this, id, e, process]() mutable {
            const QString program = process->program;
            if (m_queue.finished(id, now())) {
                e.kind = CommandEnd::Kind::TimedOut;
            }
            if (const auto text =
                    commandFailureText(program.toStdString(), e, m_queue.limits().timeLimitMs)) {
                emit failed(QString::fromStdString(*text));
            }
            armTimer();
            process.reset();
            emit ended();
        },
        Qt::QueuedConnection);
}

void CommandRunner::armTimer() {
    const std::int64_t due = m_queue.nextDeadline();
    if (due < 0) {
        m_deadline.stop();
        return;
    }
    m_deadline.start(static_cast<int>(std::max<std::int64_t>(0, due - now())));
}

} // namespace remote::alerts
