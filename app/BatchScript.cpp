#include "BatchScript.h"

#include <map>

namespace mosvik::app {

namespace {

struct Arity {
    int min;
    int max; // -1: any number
};

const std::map<QString, Arity>& commands() {
    static const std::map<QString, Arity> table = {
        {"host-version", {1, 1}}, {"new", {0, 0}},       {"open", {1, 1}},        {"page", {1, 1}},
        {"select", {1, -1}},      {"command", {1, 1}},   {"window", {1, 1}},      {"set", {2, 2}},
        {"click", {1, 1}},        {"key", {1, 1}},       {"answer", {1, 1}},      {"wait", {0, 1}},
        {"save", {1, 1}},         {"dump-host", {1, 1}}, {"dump-window", {1, 1}}, {"close", {0, 0}},
        {"quit", {0, 0}},
    };
    return table;
}

QStringList splitWords(const QString& line, int number) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        // "#N" is how `set` names an item by index, so a word that starts
        // with '#' and a digit is no comment.
        if (c == '#' && (inWord || i + 1 >= line.size() || !line[i + 1].isDigit()))
            break;
        if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"')
            quoted = true;
        else
            word += c;
    }
    if (quoted)
        throw BatchError(number, QStringLiteral("unterminated quote"));
    if (inWord)
        words << word;
    return words;
}

} // namespace

std::vector<BatchLine> parseBatchScript(const QString& text) {
    std::vector<BatchLine> lines;
    const QStringList raw = text.split(QLatin1Char('\n'));
    for (int i = 0; i < raw.size(); ++i) {
        QString line = raw[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        QStringList words = splitWords(line, i + 1);
        if (words.isEmpty())
            continue;
        BatchLine command{i + 1, words.takeFirst(), words};
        const auto it = commands().find(command.command);
        if (it == commands().end())
            throw BatchError(command.number,
                             QStringLiteral("unknown command \"%1\"").arg(command.command));
        const int n = command.args.size();
        if (n < it->second.min || (it->second.max >= 0 && n > it->second.max))
            throw BatchError(command.number,
                             QStringLiteral("\"%1\" takes %2 argument(s), got %3")
                                 .arg(command.command)
                                 .arg(it->second.min == it->second.max
                                          ? QString::number(it->second.min)
                                          : QStringLiteral("%1 or more").arg(it->second.min))
                                 .arg(n));
        lines.push_back(std::move(command));
    }
    return lines;
}

} // namespace mosvik::app
