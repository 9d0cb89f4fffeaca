// The batch script: one command per line, UTF-8. Words are separated by
// blanks; a word in double quotes may hold blanks (\" and \\ inside quotes
// stand for " and \). "#" outside quotes starts a comment.
//
// Threads: plain functions.
#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace mosvik::app {

struct BatchLine {
    int number = 0; // 1-based line in the script
    QString command;
    QStringList args;
};

// A line that cannot be run, with its line number.
class BatchError : public std::runtime_error {
public:
    BatchError(int line, const QString& message)
        : std::runtime_error(QStringLiteral("line %1: %2").arg(line).arg(message).toStdString()),
          line_(line), message_(message) {}
    int line() const { return line_; }
    const QString& message() const { return message_; }

private:
    int line_;
    QString message_;
};

// Splits the script into commands; blank and comment lines are dropped.
// Throws BatchError for an unterminated quote or an unknown command, and
// for a command given the wrong number of words.
std::vector<BatchLine> parseBatchScript(const QString& text);

} // namespace mosvik::app
