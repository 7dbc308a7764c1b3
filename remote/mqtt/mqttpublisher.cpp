#include "remote/mqtt/mqttpublisher.h"

#include "remote/mqtt/outbox.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace remote::mqtt {

std::string describe(const BrokerReport& r, const MqttSettings& s) {
    const std::string where = s.host + ':' + std::to_string(s.port);
    std::string text = "MQTT: ";
    switch (r.state) {
    case BrokerState::Off:
        return "MQTT: off";
    case BrokerState::Misconfigured:
        text += "not used: " + r.reason;
        break;
    case BrokerState::Connecting:
        text += "connecting to " + where;
        break;
    case BrokerState::Connected:
        text += "connected to " + where;
        break;
    case BrokerState::Refused:
        text += "refused by " + where + ": " + r.reason;
        break;
    case BrokerState::TlsFailure:
        text += "TLS failure with " + where + ": " + r.reason;
        break;
    case BrokerState::Unreachable:
        text += where + " unreachable: " + r.reason;
        break;
    }
    if (r.retrySeconds > 0 && r.state != BrokerState::Connected &&
        r.state != BrokerState::Connecting && r.state != BrokerState::Misconfigured) {
        text += " (retry in " + std::to_string(r.retrySeconds) + " s)";
    }
    if (r.waiting > 0) {
        text +=
            ", " + std::to_string(r.waiting) + (r.waiting == 1 ? " alarm" : " alarms") + " waiting";
    }
    if (r.dropped > 0) {
        text += ", " + std::to_string(r.dropped) + " dropped";
    }
    return text;
}

namespace {

using Clock = std::chrono::steady_clock;

// The library's own thread and instance for one connection; a new connection starts from
// a new instance, so nothing the library queued for a dead connection is sent twice.
struct Instance {
    mosquitto* m = nullptr;
    bool looping = false;
    // The thread is past any write: it ends by itself once told to disconnect. Otherwise
    // (a connection still being made) it is cancelled, or an unanswered connection attempt
    // would hold the end for minutes.
    bool ending = false;
    ~Instance() {
        if (looping) {
            mosquitto_disconnect(m);
            mosquitto_loop_stop(m, !ending);
        }
        mosquitto_destroy(m);
    }
};

// A key that needs a passphrase is refused rather than asked for on a terminal.
int noPassphrase(char*, int, int, void*) {
    return 0;
}

// The connection never stood: no TLS handshake can have failed.
bool neverConnected(int error) {
    switch (error) {
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ETIMEDOUT:
    case EADDRNOTAVAIL:
        return true;
    default:
        return false;
    }
}

bool looksLikeTls(const std::string& text) {
    for (const char* word : {"SSL", "TLS", "certificate", "OpenSSL"}) {
        if (text.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

struct MqttPublisher::Private {
    MqttSettings settings;
    std::filesystem::path file;
    PublisherOptions options;
    Reported reported;
    std::string password;
    bool hasPassword = false;
    bool libraryReady = false;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool started = false;
    bool stopping = false;
    bool kicked = false;
    // From the network thread, for the connection being made or held.
    std::optional<int> connack;
    bool disconnected = false;
    int disconnectRc = 0;
    int disconnectErrno = 0;
    std::vector<int> acked;
    std::string lastError; // the library's last error line (a TLS failure's words)
    // From the window.
    StationStatus status;
    bool statusDue = true;
    std::optional<SettingsSnapshot> stationSettings;
    bool settingsDue = false;
    BrokerReport report;

    std::thread pump;
    // The pump's own.
    std::unique_ptr<OutboxReader> outbox;
    std::chrono::milliseconds retryAfter{0};
    bool replaced = false; // the history file was replaced under the reader
    std::uint64_t publishedDropped = 0;
    Clock::time_point countsAt{};

    void run();
    bool attempt();
    void session(mosquitto* m);
    void finish(mosquitto* m);
    bool openOutbox();
    void refreshCounts(bool now);
    // A failure's report carries when the next attempt comes (retryAfter).
    void setReport(BrokerState state, std::string reason);
    void reportFailure(int rc, int error, const std::string& line);
    void publishReport();
    std::string statusText(bool online) {
        const std::lock_guard lock(mutex);
        return statusPayload(status, online, report.dropped);
    }

    static void onConnect(mosquitto*, void* self, int rc) {
        auto* p = static_cast<Private*>(self);
        {
            const std::lock_guard lock(p->mutex);
            p->connack = rc;
        }
        p->wake.notify_all();
    }
    static void onDisconnect(mosquitto*, void* self, int rc) {
        auto* p = static_cast<Private*>(self);
        const int error = errno;
        {
            const std::lock_guard lock(p->mutex);
            p->disconnected = true;
            p->disconnectRc = rc;
            p->disconnectErrno = error;
        }
        p->wake.notify_all();
    }
    static void onPublish(mosquitto*, void* self, int mid) {
        auto* p = static_cast<Private*>(self);
        {
            const std::lock_guard lock(p->mutex);
            p->acked.push_back(mid);
        }
        p->wake.notify_all();
    }
    static void onLog(mosquitto*, void* self, int level, const char* text) {
        if (level != MOSQ_LOG_ERR || !text) {
            return;
        }
        auto* p = static_cast<Private*>(self);
        {
            const std::lock_guard lock(p->mutex);
            p->lastError = text;
        }
        p->wake.notify_all();
    }
};

MqttPublisher::MqttPublisher(MqttSettings settings, std::filesystem::path historyFile,
                             PublisherOptions options, Reported reported)
    : d(std::make_unique<Private>()) {
    d->settings = std::move(settings);
    d->file = std::move(historyFile);
    d->options = options;
    d->options.window = std::max<std::size_t>(1, d->options.window);
    d->reported = std::move(reported);
    if (!d->settings.enabled()) {
        return;
    }
    if (std::string error = checkMqttSettings(d->settings); !error.empty()) {
        d->report = {BrokerState::Misconfigured, std::move(error)};
        return;
    }
    if (!d->settings.passwordFile.empty()) {
        std::string error;
        const auto password = readPasswordFile(d->settings.passwordFile, error);
        if (!password) {
            d->report = {BrokerState::Misconfigured, std::move(error)};
            return;
        }
        d->password = *password;
        d->hasPassword = true;
    }
    d->libraryReady = mosquitto_lib_init() == MOSQ_ERR_SUCCESS;
    d->report.state = BrokerState::Connecting;
}

MqttPublisher::~MqttPublisher() {
    stop();
    if (d->libraryReady) {
        mosquitto_lib_cleanup();
    }
}

void MqttPublisher::start() {
    const std::lock_guard lock(d->mutex);
    if (d->started || !d->libraryReady || d->report.state == BrokerState::Misconfigured) {
        return;
    }
    d->started = true;
    d->pump = std::thread([this] { d->run(); });
}

void MqttPublisher::stop() {
    {
        const std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->pump.joinable()) {
        d->pump.join();
    }
}

void MqttPublisher::onAlarm(const history::AlarmRecord&) {
    {
        const std::lock_guard lock(d->mutex);
        d->kicked = true;
    }
    d->wake.notify_all();
}

void MqttPublisher::setStatus(const StationStatus& status) {
    {
        const std::lock_guard lock(d->mutex);
        if (status == d->status) {
            return;
        }
        d->status = status;
        d->statusDue = true;
    }
    d->wake.notify_all();
}

void MqttPublisher::setSettings(const SettingsSnapshot& settings) {
    {
        const std::lock_guard lock(d->mutex);
        if (d->stationSettings == settings) {
            return;
        }
        d->stationSettings = settings;
        d->settingsDue = true;
    }
    d->wake.notify_all();
}

BrokerReport MqttPublisher::report() const {
    const std::lock_guard lock(d->mutex);
    return d->report;
}

const MqttSettings& MqttPublisher::settings() const {
    return d->settings;
}

// ---- The pump ----

void MqttPublisher::Private::setReport(BrokerState state, std::string reason) {
    {
        const std::lock_guard lock(mutex);
        report.state = state;
        report.reason = std::move(reason);
        const bool failed = state != BrokerState::Connected && state != BrokerState::Connecting;
        report.retrySeconds = failed ? static_cast<int>((retryAfter.count() + 999) / 1000) : 0;
    }
    publishReport();
}

void MqttPublisher::Private::publishReport() {
    BrokerReport now;
    {
        const std::lock_guard lock(mutex);
        now = report;
    }
    if (reported) {
        reported(now);
    }
}

bool MqttPublisher::Private::openOutbox() {
    if (outbox) {
        return true;
    }
    try {
        outbox = std::make_unique<OutboxReader>(file);
        return true;
    } catch (const history::HistoryError&) {
        return false; // the history is not there yet, or fails: tried again at the next turn
    }
}

// The counts cost a scan of the outbox: taken at most every 200 ms unless asked now.
void MqttPublisher::Private::refreshCounts(bool now) {
    const auto at = Clock::now();
    if (!now && at - countsAt < std::chrono::milliseconds(200)) {
        return;
    }
    countsAt = at;
    if (outbox && !outbox->stillTheFile()) {
        outbox.reset(); // the history was replaced: its outbox is in the new file
        replaced = true;
    }
    if (!openOutbox()) {
        return;
    }
    std::uint64_t waiting = 0;
    std::uint64_t dropped = 0;
    try {
        waiting = outbox->waiting();
        dropped = outbox->dropped();
    } catch (const history::HistoryError&) {
        outbox.reset();
        return;
    }
    bool changed = false;
    {
        const std::lock_guard lock(mutex);
        changed = report.waiting != waiting || report.dropped != dropped;
        report.waiting = waiting;
        report.dropped = dropped;
        if (dropped != publishedDropped) {
            statusDue = true; // the status topic says how many were dropped
        }
    }
    if (changed) {
        publishReport();
    }
}

void MqttPublisher::Private::run() {
    auto delay = options.firstRetry;
    for (;;) {
        retryAfter = delay;
        const bool connected = attempt();
        std::unique_lock lock(mutex);
        if (stopping) {
            return;
        }
        if (connected) {
            delay = options.firstRetry;
        }
        const auto until = Clock::now() + delay;
        while (!stopping && Clock::now() < until) {
            wake.wait_until(lock, until, [this] { return stopping || kicked; });
            if (kicked) {
                kicked = false;
                lock.unlock();
                refreshCounts(false);
                lock.lock();
            }
        }
        if (stopping) {
            return;
        }
        lock.unlock();
        delay = std::min(delay * 2, options.lastRetry);
    }
}

bool MqttPublisher::Private::attempt() {
    Instance instance;
    const std::string clientId = "remote-" + settings.station;
    instance.m = mosquitto_new(clientId.c_str(), true, this);
    if (!instance.m) {
        setReport(BrokerState::Unreachable, std::strerror(errno));
        return false;
    }
    mosquitto* m = instance.m;
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m, static_cast<unsigned>(options.window));
    mosquitto_connect_callback_set(m, &Private::onConnect);
    mosquitto_disconnect_callback_set(m, &Private::onDisconnect);
    mosquitto_publish_callback_set(m, &Private::onPublish);
    mosquitto_log_callback_set(m, &Private::onLog);
    const std::string statusTopic = settings.topic("status");
    const std::string will = statusText(false);
    mosquitto_will_set(m, statusTopic.c_str(), static_cast<int>(will.size()), will.data(), 1, true);
    if (!settings.username.empty()) {
        mosquitto_username_pw_set(m, settings.username.c_str(),
                                  hasPassword ? password.c_str() : nullptr);
    }
    if (settings.tls) {
        const auto orNull = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
        if (settings.caFile.empty()) {
            mosquitto_int_option(m, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        }
        const int rc =
            mosquitto_tls_set(m, orNull(settings.caFile), nullptr, orNull(settings.certFile),
                              orNull(settings.keyFile), noPassphrase);
        if (rc != MOSQ_ERR_SUCCESS) {
            setReport(BrokerState::TlsFailure, rc == MOSQ_ERR_INVAL
                                                   ? "a certificate or key file cannot be read"
                                                   : mosquitto_strerror(rc));
            return false;
        }
    }
    {
        const std::lock_guard lock(mutex);
        connack.reset();
        disconnected = false;
        acked.clear();
        lastError.clear();
        if (stopping) {
            return false;
        }
    }
    setReport(BrokerState::Connecting, {});
    errno = 0;
    int rc =
        mosquitto_connect_async(m, settings.host.c_str(), settings.port, options.keepAliveSeconds);
    const int connectErrno = errno;
    if (rc == MOSQ_ERR_SUCCESS) {
        rc = mosquitto_loop_start(m);
        instance.looping = rc == MOSQ_ERR_SUCCESS;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        std::string error;
        {
            const std::lock_guard lock(mutex);
            error = lastError;
        }
        reportFailure(rc, connectErrno, error);
        return false;
    }
    std::unique_lock lock(mutex);
    // A failed TLS handshake ends the library's thread without a disconnection: its error
    // line is the sign.
    wake.wait_for(lock, options.connectTimeout, [this] {
        return stopping || connack.has_value() || disconnected || looksLikeTls(lastError);
    });
    // A refusal is followed by the library's own disconnection.
    instance.ending = connack.has_value() || disconnected;
    if (connack && *connack == 0 && !disconnected) {
        lock.unlock();
        session(m);
        return true;
    }
    if (stopping) {
        return false;
    }
    std::string error = lastError;
    const int failure = disconnectRc;
    const int failureErrno = disconnectErrno;
    const std::optional<int> answer = connack;
    const bool dropped = disconnected;
    lock.unlock();
    if (answer) {
        setReport(BrokerState::Refused, mosquitto_connack_string(*answer));
    } else if (!dropped && !looksLikeTls(error)) {
        setReport(BrokerState::Unreachable, "no answer");
    } else {
        reportFailure(failure, failureErrno, error);
    }
    return false;
}

// A connection that failed before the broker answered: rc and errno from the library, and
// the library's last error line.
void MqttPublisher::Private::reportFailure(int rc, int error, const std::string& line) {
    const bool system = rc == MOSQ_ERR_ERRNO && error != 0;
    if (rc == MOSQ_ERR_TLS || looksLikeTls(line)) {
        setReport(BrokerState::TlsFailure, line.empty() ? mosquitto_strerror(rc) : line);
    } else if ((system && neverConnected(error)) || rc == MOSQ_ERR_EAI || rc == MOSQ_ERR_LOOKUP ||
               !settings.tls) {
        setReport(BrokerState::Unreachable, system ? std::strerror(error) : mosquitto_strerror(rc));
    } else {
        // The connection stood, so the handshake failed: a broker that refuses the station's
        // certificate closes the connection during or just after it, with its alert or
        // without.
        std::string reason = "the broker closed the connection during the handshake (";
        reason += system ? std::strerror(error) : mosquitto_strerror(rc);
        setReport(BrokerState::TlsFailure, reason + ')');
    }
}

void MqttPublisher::Private::session(mosquitto* m) {
    retryAfter = options.firstRetry; // a connection that worked starts the count again
    setReport(BrokerState::Connected, {});
    const std::string alarmTopic = settings.topic("alarm");
    const std::string statusTopic = settings.topic("status");
    const std::string settingsTopic = settings.topic("settings");
    std::map<int, std::int64_t> inflight; // message id to seq
    std::int64_t lastSent = 0;
    {
        const std::lock_guard lock(mutex);
        statusDue = true;
        settingsDue = stationSettings.has_value();
    }
    refreshCounts(true);
    const auto send = [m](const std::string& topic, const std::string& payload, bool retain,
                          int* mid) {
        return mosquitto_publish(m, mid, topic.c_str(), static_cast<int>(payload.size()),
                                 payload.data(), 1, retain) == MOSQ_ERR_SUCCESS;
    };
    for (;;) {
        std::vector<int> acks;
        bool sendStatus = false;
        std::optional<SettingsSnapshot> sendSettings;
        {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, std::chrono::seconds(1), [this] {
                return stopping || disconnected || kicked || !acked.empty() || statusDue ||
                       settingsDue;
            });
            if (disconnected) {
                const std::string reason = disconnectRc == MOSQ_ERR_ERRNO && disconnectErrno != 0
                                               ? std::strerror(disconnectErrno)
                                               : mosquitto_strerror(disconnectRc);
                lock.unlock();
                setReport(BrokerState::Unreachable, "connection lost: " + reason);
                return;
            }
            if (stopping) {
                lock.unlock();
                finish(m);
                return;
            }
            kicked = false;
            acks.swap(acked);
            sendStatus = std::exchange(statusDue, false);
            if (std::exchange(settingsDue, false)) {
                sendSettings = stationSettings;
            }
        }
        std::vector<std::int64_t> done;
        for (const int mid : acks) {
            if (const auto it = inflight.find(mid); it != inflight.end()) {
                done.push_back(it->second);
                inflight.erase(it);
            }
        }
        if (sendStatus) {
            std::uint64_t dropped = 0;
            {
                const std::lock_guard lock(mutex);
                dropped = report.dropped;
            }
            if (send(statusTopic, statusText(true), true, nullptr)) {
                publishedDropped = dropped;
            }
        }
        if (sendSettings) {
            send(settingsTopic, settingsPayload(*sendSettings), true, nullptr);
        }
        if (std::exchange(replaced, false)) {
            // Entries sent from the old file are not the new file's to remove.
            inflight.clear();
            done.clear();
            lastSent = 0;
        }
        if (!openOutbox()) {
            continue;
        }
        try {
            outbox->remove(done);
            if (inflight.size() < options.window) {
                for (const OutboxEntry& e :
                     outbox->next(lastSent, options.window - inflight.size())) {
                    int mid = 0;
                    if (!send(alarmTopic, alarmPayload(e.seq, e.alarm), false, &mid)) {
                        break; // the connection is going; its end comes as a disconnect
                    }
                    inflight[mid] = e.seq;
                    lastSent = e.seq;
                }
            }
        } catch (const history::HistoryError&) {
            // Acknowledged entries not removed go again after a reconnection: a repeat the
            // subscriber recognises by its seq, never a loss.
            outbox.reset();
        }
        refreshCounts(false);
    }
}

// The station is ending while connected: "offline" in place of the last will, which a
// clean disconnection does not set off.
void MqttPublisher::Private::finish(mosquitto* m) {
    const auto deadline = Clock::now() + options.finalWait;
    const std::string payload = statusText(false);
    int mid = 0;
    if (mosquitto_publish(m, &mid, settings.topic("status").c_str(),
                          static_cast<int>(payload.size()), payload.data(), 1,
                          true) != MOSQ_ERR_SUCCESS) {
        return;
    }
    std::unique_lock lock(mutex);
    wake.wait_until(lock, deadline, [&] {
        return disconnected || std::find(acked.begin(), acked.end(), mid) != acked.end();
    });
    if (disconnected) {
        return;
    }
    lock.unlock();
    mosquitto_disconnect(m);
    lock.lock();
    wake.wait_until(lock, deadline, [this] { return disconnected; });
}

} // namespace remote::mqtt
