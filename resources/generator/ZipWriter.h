// Writes a ZIP archive whose entries keep the order in which they are added.
#pragma once

#include <QByteArray>
#include <QString>

#include <ctime>
#include <list>

struct zip;

namespace mosvik {

class ZipWriter {
public:
    enum class Method { Stored, Deflated };

    // Every entry gets `modified` as its time, so equal contents give equal
    // archives.
    ZipWriter(const QString& path, std::time_t modified);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void addDirectory(const QString& name); // `name` ends with "/"
    void addFile(const QString& name, const QByteArray& data, Method method);
    void close();

private:
    void finishEntry(long long index, const QString& name);

    zip* archive_ = nullptr;
    // libzip reads the entries' data only when the archive is closed.
    std::list<QByteArray> contents_;
    QString path_;
    std::time_t modified_;
};

} // namespace mosvik
