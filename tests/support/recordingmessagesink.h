#pragma once

#include "remote/dialogs/messagesink.h"

#include <QList>
#include <QString>

#include <functional>

// A message sink for tests: records every box and answers from a queue (Ok, or No for a
// question, once the queue is empty).
class RecordingMessageSink : public remote::dialogs::MessageSink {
public:
    enum class Kind { Information, Warning, Critical, Question };

    struct Message {
        Kind kind;
        QString text;
        QString title;
    };

    QList<Message> messages;
    QList<Answer> answers;
    // Runs while a box is "up", after it is recorded and before it is answered: a test can
    // run the event loop here, as a real modal box does.
    std::function<void(const Message&)> whileShown;

    Answer information(const QString& text, const QString& title) override {
        return record(Kind::Information, text, title, Answer::Ok);
    }
    Answer warning(const QString& text, const QString& title) override {
        return record(Kind::Warning, text, title, Answer::Ok);
    }
    Answer critical(const QString& text, const QString& title) override {
        return record(Kind::Critical, text, title, Answer::Ok);
    }
    Answer question(const QString& text, const QString& title) override {
        return record(Kind::Question, text, title, Answer::No);
    }

private:
    Answer record(Kind kind, const QString& text, const QString& title, Answer fallback) {
        const Message message{kind, text, title};
        messages.append(message);
        if (whileShown) {
            whileShown(message);
        }
        return answers.isEmpty() ? fallback : answers.takeFirst();
    }
};
