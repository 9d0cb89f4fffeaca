// The plug-in's settings file: an INI file read and written key by key.
//
// Every read and every write goes to the file itself; nothing is kept in the
// object, so two objects on one file (or two windows) see each other's
// writes at once. Texts are UTF-8 on disk; integers are decimal text and
// booleans "1" and "0". A missing file, section or key, or a value that is
// not a number where one is read, gives the caller's default. A file that is
// not text (not UTF-8, or holding NUL bytes) reads as empty and is replaced
// by a clean file on the next write. Writes replace the file atomically and
// keep every other key.
//
// Ownership: plain value object; the caller owns it.
// Threads: any thread. Writes within this process are serialised, so two
// threads writing different keys of one file lose neither.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace mosvik {

// A write that could not reach the file.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
    // "0" is false and any other number true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

private:
    QString fileName_;
};

} // namespace mosvik
