#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <mutex>
#include <optional>
#include <string>

// SimpleIni fits the file's rules as used here: CSimpleIniA keeps keys and
// values as the file's own bytes (UTF-8), matches section and key names
// ignoring ASCII case only, as the system's INI functions do, and keeps the
// order and comments of the lines it did not change. Two of its behaviours
// do not fit and are handled below: it does not check that the bytes are
// UTF-8, and its number reader takes hexadecimal and trailing text ("12abc"
// as 12), where a value that is not a plain decimal must give the default.
// Only the narrow (UTF-8) variant is used, so no wide-character converter is
// needed; the template definitions are compiled here, the one user.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace mosvik {

namespace {
std::mutex fileMutex;

bool isText(const QByteArray& bytes) {
    if (bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

// The file's current contents; empty when it is missing, unreadable or not
// text.
void load(const QString& fileName, CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetSpaces(false);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (!isText(bytes) || ini.LoadData(bytes.constData(), bytes.size()) < 0)
        ini.Reset();
}

std::optional<QString> readValue(const QString& fileName, const QString& section,
                                 const QString& key) {
    CSimpleIniA ini;
    {
        std::lock_guard lock(fileMutex);
        load(fileName, ini);
    }
    const char* value =
        ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

std::optional<int32_t> toInteger(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int32_t value = text->trimmed().toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}
} // namespace

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    return readValue(fileName_, section, key).value_or(def);
}

int32_t TIniFile::ReadInteger(const QString& section, const QString& key, int32_t def) const {
    return toInteger(readValue(fileName_, section, key)).value_or(def);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    const auto value = toInteger(readValue(fileName_, section, key));
    return value ? *value != 0 : def;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    std::lock_guard lock(fileMutex);
    CSimpleIniA ini;
    load(fileName_, ini);
    std::string text;
    if (ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(),
                     value.toUtf8().constData()) < 0 ||
        ini.Save(text) < 0)
        throw EIniFileException("Unable to write to " + fileName_.toStdString());
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        throw EIniFileException("Unable to write to " + fileName_.toStdString());
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int32_t value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace mosvik
