// The stored pages of a run: the stream that holds them (memory first, then a temporary file) and
// the page list that writes and finds page records in it.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QTemporaryFile>
#include <memory>
#include <optional>
#include <vector>

// A byte stream that starts in memory and moves its whole content to a temporary file named RPP...
// in the temporary directory once a write makes it larger than its memory limit; the file is deleted
// with the stream. A stream opened on an existing file is read-only. Every access holds the lock.
class TRpStream {
  public:
    static constexpr qint64 kPreviewMemoryLimit = 100000;

    explicit TRpStream(qint64 memoryLimit = kPreviewMemoryLimit);
    // Throws ERpError when the file cannot be opened.
    static std::unique_ptr<TRpStream> OpenReadOnly(const QString& fileName);
    ~TRpStream();

    qint64 Size() const;
    qint64 Position() const;
    void Seek(qint64 position);
    void Write(const QByteArray& bytes);
    // Reads exactly `count` bytes; throws ERpError when the stream ends first.
    QByteArray Read(qint64 count);
    // The whole content, for saving.
    QByteArray ReadAll() const;

    bool InFile() const;
    QString FileName() const;  // the temporary or opened file, empty while in memory
    bool ReadOnly() const { return readOnly_; }

  private:
    TRpStream(std::unique_ptr<QFile> file);
    void moveToFile();

    mutable QMutex lock_;
    qint64 memoryLimit_;
    bool readOnly_ = false;
    QByteArray memoryBytes_;
    QBuffer memory_;
    std::unique_ptr<QFile> file_;
    QIODevice* device_;
};

// The header and page records of a stored-pages stream (little-endian):
//   header, 124 bytes: int16 version 3, int16 212, int32 0, int32 page count, float64 creation time
//   (days since 1899-12-30), byte 0, byte compression flag, 102 zero bytes;
//   per page: int32 page number, int32 offset of the next record, the page image (compressed: int32
//   plain size, then zlib data), int32 offset of this record.
// The list keeps its own lock around every access, apart from the stream's.
class TRpPageList {
  public:
    static constexpr int kHeaderSize = 124;
    // Page number, next-record offset and own start: what a record holds besides its image.
    static constexpr int kRecordOverhead = 12;
    // The largest page image a compressed record may inflate to, far above any page a form makes (a
    // request form's page takes about 10 KB, most of it the logo).
    static constexpr qint64 kLargestPageImage = 16 * 1024 * 1024;

    TRpPageList(std::unique_ptr<TRpStream> stream, bool compressed);
    // Opens a saved file read-only; throws ERpError when it is not a stored-pages file. Every record
    // is checked to lie inside the file after the one before it, so the check takes time in
    // proportion to the file's size whatever its header claims.
    static std::unique_ptr<TRpPageList> Open(const QString& fileName);

    int PageCount() const;
    bool Compressed() const { return compressed_; }
    void StorePage(const QByteArray& image);
    // Rewrites the header with the final page count.
    void Finish();
    // Page n's image, or nothing when n is outside 1..page count. Throws ERpError on a corrupt record.
    std::optional<QByteArray> Page(int n);

    TRpStream& Stream() { return *stream_; }

  private:
    void writeHeader();
    qint32 readInt32At(qint64 position);
    // Finds the start of `count` records chained from the header to the end of the stream.
    bool indexRecords(int count);

    mutable QMutex lock_;
    std::unique_ptr<TRpStream> stream_;
    bool compressed_;
    int pageCount_ = 0;
    double creationTime_ = 0;
    std::vector<qint64> records_;  // where each page's record starts
};

// Days since 30 December 1899, the fraction being the time of day.
double dateTimeToDays(const QDateTime& moment);
