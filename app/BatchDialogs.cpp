#include "BatchDialogs.h"

namespace mosvik::app {

using namespace platform;

void BatchDialogs::print(const QString& caption, const QString& text) {
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = QStringLiteral("[%1] %2").arg(caption, flat);
    shown_ << line;
    out_ << line << Qt::endl;
}

std::optional<QString> BatchDialogs::nextAnswer() {
    if (answers_.empty())
        return std::nullopt;
    QString a = answers_.front();
    answers_.pop_front();
    return a;
}

MsgButton BatchDialogs::messageBox(const MessageBoxRequest& request) {
    print(request.caption, request.text);
    const auto offered = [&](MsgButton b) {
        return (request.buttons & b) != 0;
    };
    const auto firstOf = [&](std::initializer_list<MsgButton> choices) {
        for (MsgButton b : choices)
            if (offered(b))
                return b;
        return BtnNone;
    };
    const auto answer = nextAnswer().value_or(QStringLiteral("ok")).toLower();
    MsgButton chosen = BtnNone;
    if (answer == QLatin1String("ok"))
        chosen = firstOf({BtnOk, BtnYes, BtnRetry, BtnIgnore});
    else if (answer == QLatin1String("cancel"))
        chosen = firstOf({BtnCancel, BtnNo, BtnAbort});
    else if (answer == QLatin1String("yes"))
        chosen = firstOf({BtnYes});
    else if (answer == QLatin1String("no"))
        chosen = firstOf({BtnNo});
    else if (answer == QLatin1String("abort"))
        chosen = firstOf({BtnAbort});
    else if (answer == QLatin1String("retry"))
        chosen = firstOf({BtnRetry});
    else if (answer == QLatin1String("ignore"))
        chosen = firstOf({BtnIgnore});
    if (chosen == BtnNone) {
        for (unsigned bit = 1; bit <= BtnIgnore; bit <<= 1)
            if (request.buttons & bit)
                return static_cast<MsgButton>(bit);
        return BtnOk;
    }
    return chosen;
}

std::optional<QString> BatchDialogs::inputBox(const InputBoxRequest& request) {
    print(request.caption, request.prompt);
    const auto answer = nextAnswer();
    if (!answer || *answer == QLatin1String("cancel"))
        return std::nullopt;
    if (*answer == QLatin1String("ok"))
        return request.defaultText;
    return answer;
}

std::optional<QString> BatchDialogs::browseFolder(const FolderRequest& request) {
    print(request.title, request.startFolder);
    const auto answer = nextAnswer();
    if (!answer || *answer == QLatin1String("cancel"))
        return std::nullopt;
    if (*answer == QLatin1String("ok"))
        return request.startFolder;
    return answer;
}

} // namespace mosvik::app
