// The stored-pages stream and the page records in it.
#include "report/RpPageStore.h"

#include <zlib.h>

#include <QDir>
#include <QtEndian>
#include <limits>

#include "report/RpUnits.h"
#include "runtime/Language.h"
#include "runtime/Seams.h"

namespace {

const QString kCorrupt = QStringLiteral("The stored pages are corrupt");

QByteArray int32Bytes(qint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

qint32 int32From(const QByteArray& bytes) {
    return qFromLittleEndian<qint32>(bytes.constData());
}

// Inflates a compressed page image that claims `plainSize` bytes into exactly that many, refusing a
// claim beyond the largest page image and data that inflates to more or less than it claims.
QByteArray inflated(const QByteArray& packed, qint64 plainSize) {
    if (plainSize <= 0 || plainSize > TRpPageList::kLargestPageImage) throw ERpError(kCorrupt);
    QByteArray plain(plainSize, Qt::Uninitialized);
    z_stream zip{};
    if (inflateInit(&zip) != Z_OK) throw ERpError(kCorrupt);
    zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    zip.avail_in = static_cast<uInt>(packed.size());
    zip.next_out = reinterpret_cast<Bytef*>(plain.data());
    zip.avail_out = static_cast<uInt>(plainSize);
    const int result = inflate(&zip, Z_FINISH);
    const bool whole = result == Z_STREAM_END && zip.avail_out == 0 && zip.avail_in == 0;
    inflateEnd(&zip);
    if (!whole) throw ERpError(kCorrupt);
    return plain;
}

}  // namespace

double dateTimeToDays(const QDateTime& moment) {
    const QDate epoch(1899, 12, 30);
    return epoch.daysTo(moment.date()) + moment.time().msecsSinceStartOfDay() / 86400000.0;
}

// ---- TRpStream ---------------------------------------------------------------------------------

TRpStream::TRpStream(qint64 memoryLimit)
    : memoryLimit_(memoryLimit), memory_(&memoryBytes_), device_(&memory_) {
    memory_.open(QIODevice::ReadWrite);
}

TRpStream::TRpStream(std::unique_ptr<QFile> file)
    : memoryLimit_(0),
      readOnly_(true),
      memory_(&memoryBytes_),
      file_(std::move(file)),
      device_(file_.get()) {}

TRpStream::~TRpStream() = default;

std::unique_ptr<TRpStream> TRpStream::OpenReadOnly(const QString& fileName) {
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::ReadOnly)) throw ERpError(QStringLiteral("Cannot open file %1").arg(fileName));
    return std::unique_ptr<TRpStream>(new TRpStream(std::move(file)));
}

qint64 TRpStream::Size() const {
    QMutexLocker locker(&lock_);
    return device_->size();
}

qint64 TRpStream::Position() const {
    QMutexLocker locker(&lock_);
    return device_->pos();
}

void TRpStream::Seek(qint64 position) {
    QMutexLocker locker(&lock_);
    if (position < 0 || position > device_->size() || !device_->seek(position)) throw ERpError(kCorrupt);
}

void TRpStream::Write(const QByteArray& bytes) {
    QMutexLocker locker(&lock_);
    if (readOnly_) throw ERpError(QStringLiteral("The stored pages are read-only"));
    if (!file_ && device_->pos() + bytes.size() > memoryLimit_) moveToFile();
    if (device_->write(bytes) != bytes.size()) {
        throw ERpError(QStringLiteral("Cannot write the stored pages: %1")
                           .arg(runtime::inProgramWords(device_->errorString())));
    }
}

QByteArray TRpStream::Read(qint64 count) {
    QMutexLocker locker(&lock_);
    if (count < 0 || device_->pos() + count > device_->size()) throw ERpError(kCorrupt);
    QByteArray bytes = device_->read(count);
    if (bytes.size() != count) throw ERpError(kCorrupt);
    return bytes;
}

QByteArray TRpStream::ReadAll() const {
    QMutexLocker locker(&lock_);
    const qint64 position = device_->pos();
    device_->seek(0);
    QByteArray bytes = device_->readAll();
    device_->seek(position);
    return bytes;
}

bool TRpStream::InFile() const {
    QMutexLocker locker(&lock_);
    return file_ != nullptr;
}

QString TRpStream::FileName() const {
    QMutexLocker locker(&lock_);
    return file_ ? file_->fileName() : QString();
}

void TRpStream::moveToFile() {
    auto temp = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/RPPXXXXXX"));
    if (!temp->open()) {
        throw ERpError(QStringLiteral("Cannot create a temporary file: %1")
                           .arg(runtime::inProgramWords(temp->errorString())));
    }
    const qint64 position = memory_.pos();
    if (temp->write(memoryBytes_) != memoryBytes_.size() || !temp->seek(position)) {
        throw ERpError(QStringLiteral("Cannot write the stored pages: %1")
                           .arg(runtime::inProgramWords(temp->errorString())));
    }
    memory_.close();
    memoryBytes_.clear();
    file_ = std::move(temp);
    device_ = file_.get();
}

// ---- TRpPageList -------------------------------------------------------------------------------

TRpPageList::TRpPageList(std::unique_ptr<TRpStream> stream, bool compressed)
    : stream_(std::move(stream)), compressed_(compressed) {}

std::unique_ptr<TRpPageList> TRpPageList::Open(const QString& fileName) {
    auto stream = TRpStream::OpenReadOnly(fileName);
    const QString invalid = QStringLiteral("%1 is not a report file").arg(fileName);
    const qint64 size = stream->Size();
    if (size < kHeaderSize) throw ERpError(invalid);
    stream->Seek(0);
    const QByteArray header = stream->Read(kHeaderSize);
    if (qFromLittleEndian<qint16>(header.constData()) != 3 ||
        qFromLittleEndian<qint16>(header.constData() + 2) != 212)
        throw ERpError(invalid);
    const qint32 count = qFromLittleEndian<qint32>(header.constData() + 8);
    if (count < 0 || count > (size - kHeaderSize) / kRecordOverhead) throw ERpError(invalid);
    auto list = std::make_unique<TRpPageList>(std::move(stream), header.at(21) != 0);
    if (!list->indexRecords(count)) throw ERpError(invalid);
    list->pageCount_ = count;
    list->creationTime_ = qFromLittleEndian<double>(header.constData() + 12);
    return list;
}

// Each record must begin where the one before it ends, point forward inside the stream and back at
// its own start, and the last one must end the stream.
bool TRpPageList::indexRecords(int count) {
    const qint64 size = stream_->Size();
    qint64 position = kHeaderSize;
    records_.reserve(static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n) {
        if (position + kRecordOverhead > size || readInt32At(position) != n) return false;
        const qint64 next = readInt32At(position + 4);
        if (next < position + kRecordOverhead || next > size || readInt32At(next - 4) != position)
            return false;
        records_.push_back(position);
        position = next;
    }
    return position == size;
}

int TRpPageList::PageCount() const {
    QMutexLocker locker(&lock_);
    return pageCount_;
}

void TRpPageList::writeHeader() {
    QByteArray header(kHeaderSize, '\0');
    qToLittleEndian<qint16>(3, header.data());
    qToLittleEndian<qint16>(212, header.data() + 2);
    qToLittleEndian<qint32>(pageCount_, header.data() + 8);
    qToLittleEndian<double>(creationTime_, header.data() + 12);
    header[21] = compressed_ ? 1 : 0;
    stream_->Seek(0);
    stream_->Write(header);
}

void TRpPageList::StorePage(const QByteArray& image) {
    QMutexLocker locker(&lock_);
    // A record is its number, the next record's offset, the page and its own offset; every offset is 32 bits.
    const QByteArray packed = compressed_ ? qCompress(image) : QByteArray();
    const qint64 recordSize = 8 + (compressed_ ? packed.size() : image.size()) + 4;
    if (std::max(stream_->Size(), qint64(kHeaderSize)) + recordSize > std::numeric_limits<qint32>::max())
        throw ERpError(QStringLiteral("The stored pages cannot grow past 2 GB"));
    ++pageCount_;
    if (pageCount_ == 1) {
        creationTime_ = dateTimeToDays(runtime::now());
        writeHeader();
    }
    const qint64 start = stream_->Size();
    Q_ASSERT(start >= kHeaderSize && (records_.empty() || start > records_.back()));
    records_.push_back(start);
    stream_->Seek(start);
    stream_->Write(int32Bytes(pageCount_));
    stream_->Write(int32Bytes(0));  // the next-record offset, patched below
    if (compressed_) {
        stream_->Write(int32Bytes(image.size()));
        stream_->Write(packed.mid(4));  // qCompress's own size prefix is big-endian
    } else {
        stream_->Write(image);
    }
    const qint64 next = stream_->Position() + 4;
    stream_->Write(int32Bytes(static_cast<qint32>(start)));
    stream_->Seek(start + 4);
    stream_->Write(int32Bytes(static_cast<qint32>(next)));
    stream_->Seek(next);
    // The record ends the stream, its offsets fit their fields, and every page has its record.
    Q_ASSERT(next == stream_->Size() && next <= std::numeric_limits<qint32>::max());
    Q_ASSERT(records_.size() == std::size_t(pageCount_));
}

void TRpPageList::Finish() {
    QMutexLocker locker(&lock_);
    if (pageCount_ == 0) return;
    const qint64 end = stream_->Size();
    writeHeader();
    stream_->Seek(end);
}

qint32 TRpPageList::readInt32At(qint64 position) {
    stream_->Seek(position);
    return int32From(stream_->Read(4));
}

std::optional<QByteArray> TRpPageList::Page(int n) {
    QMutexLocker locker(&lock_);
    if (n < 1 || n > pageCount_ || n > int(records_.size())) return std::nullopt;
    const qint64 start = records_[std::size_t(n - 1)];
    if (readInt32At(start) != n) throw ERpError(kCorrupt);
    const qint64 next = int32From(stream_->Read(4));
    const qint64 length = next - start - kRecordOverhead;
    if (length < 0 || next > stream_->Size()) throw ERpError(kCorrupt);
    QByteArray image = stream_->Read(length);
    stream_->Read(4);
    if (!compressed_) return image;
    if (image.size() < 4) throw ERpError(kCorrupt);
    return inflated(image.mid(4), int32From(image));
}
