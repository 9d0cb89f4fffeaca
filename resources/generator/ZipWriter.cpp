#include "ZipWriter.h"

#include <QFile>

#include <stdexcept>
#include <zip.h>

namespace mosvik {
namespace {

[[noreturn]] void fail(zip_t* archive, const QString& what) {
    throw std::runtime_error(
        (what + ": " + QString::fromUtf8(archive ? zip_strerror(archive) : "")).toStdString());
}

} // namespace

ZipWriter::ZipWriter(const QString& path, std::time_t modified) : path_(path), modified_(modified) {
    // libzip would update an existing archive; each build writes a new one.
    QFile::remove(path);
    int error = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!archive_) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString message = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        throw std::runtime_error(("cannot create " + path + ": " + message).toStdString());
    }
}

ZipWriter::~ZipWriter() {
    if (archive_)
        zip_discard(archive_);
}

void ZipWriter::finishEntry(long long index, const QString& name) {
    if (index < 0)
        fail(archive_, "cannot add " + name);
    if (zip_file_set_mtime(archive_, zip_uint64_t(index), modified_, 0) != 0)
        fail(archive_, "cannot set the time of " + name);
}

void ZipWriter::addDirectory(const QString& name) {
    QByteArray bare = name.toUtf8();
    bare.chop(1);
    finishEntry(zip_dir_add(archive_, bare.constData(), ZIP_FL_ENC_UTF_8), name);
}

void ZipWriter::addFile(const QString& name, const QByteArray& data, Method method) {
    const QByteArray& kept = contents_.emplace_back(data);
    zip_source_t* source =
        zip_source_buffer(archive_, kept.constData(), zip_uint64_t(kept.size()), 0);
    if (!source)
        fail(archive_, "cannot buffer " + name);
    const zip_int64_t index =
        zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0)
        zip_source_free(source);
    finishEntry(index, name);
    const bool stored = method == Method::Stored;
    if (zip_set_file_compression(archive_, zip_uint64_t(index),
                                 stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, stored ? 0 : 9) != 0)
        fail(archive_, "cannot choose the compression of " + name);
}

void ZipWriter::close() {
    if (zip_close(archive_) != 0)
        fail(archive_, "cannot write " + path_);
    archive_ = nullptr;
}

} // namespace mosvik
