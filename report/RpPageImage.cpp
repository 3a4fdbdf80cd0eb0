// Recording, storing and replaying page images.
#include "report/RpPageImage.h"

#include <QBuffer>
#include <QDataStream>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <algorithm>
#include <limits>

#include "report/RpUnits.h"
#include "runtime/Geometry.h"

QImage measuringDevice(int dotsPerInch) {
    QImage image(1, 1, QImage::Format_ARGB32);
    const int dotsPerMeter = static_cast<int>(roundHalfEven(dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// ---- Storage -----------------------------------------------------------------------------------

namespace {

enum class Tag : quint8 { Fill = 1, Shape, Text, Clip, Picture };

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

void writePen(QDataStream& out, const TRpPenSpec& pen) {
    out << pen.color.rgba() << qint32(pen.width) << quint8(pen.style);
}
void writeBrush(QDataStream& out, const TRpBrushSpec& brush) {
    out << brush.color.rgba() << quint8(brush.style);
}

struct ItemWriter {
    QDataStream& out;
    void operator()(const TRpPageImage::Fill& f) { out << quint8(Tag::Fill) << f.rect << f.color.rgba(); }
    void operator()(const TRpPageImage::Shape& s) {
        out << quint8(Tag::Shape) << quint8(s.kind) << s.rect;
        writePen(out, s.pen);
        writeBrush(out, s.brush);
    }
    void operator()(const TRpPageImage::Text& t) {
        const quint8 flags =
            (t.bold ? 1 : 0) | (t.italic ? 2 : 0) | (t.underline ? 4 : 0) | (t.strikeOut ? 8 : 0);
        out << quint8(Tag::Text) << t.at << t.text << t.family << t.pixelSize << flags << t.color.rgba()
            << quint8(t.anchor);
    }
    void operator()(const TRpPageImage::Clip& c) { out << quint8(Tag::Clip) << c.on << c.rect; }
    void operator()(const TRpPageImage::Picture& p) { out << quint8(Tag::Picture) << p.rect << p.png; }
};

// Reads items and refuses anything that is not a whole, known record.
class ItemReader {
  public:
    explicit ItemReader(QDataStream& in) : in_(in) {}

    template <typename T>
    T read() {
        T value{};
        in_ >> value;
        check();
        return value;
    }
    void check() const {
        if (in_.status() != QDataStream::Ok) throw ERpError(QStringLiteral("Page image is truncated"));
    }
    template <typename E>
    E readEnum(int last) {
        const auto raw = read<quint8>();
        if (raw > last) throw ERpError(QStringLiteral("Page image is corrupt"));
        return static_cast<E>(raw);
    }
    QColor readColor() { return QColor::fromRgba(read<quint32>()); }
    // A rectangle whose width or height does not fit an int has no size to draw at. Qt's integer rectangle computes its
    // width as x2 - x1 + 1 in int, so the difference must fit as well as the extent.
    Rect readRect() {
        const Rect rect = read<Rect>();
        const auto fits = [](qint64 first, qint64 last) {
            const qint64 difference = last - first;
            return difference >= std::numeric_limits<int>::min() &&
                   difference < std::numeric_limits<int>::max();
        };
        if (!fits(rect.left(), rect.right()) || !fits(rect.top(), rect.bottom()))
            throw ERpError(QStringLiteral("Page image is corrupt"));
        return rect;
    }
    TRpPenSpec readPen() {
        TRpPenSpec pen;
        pen.color = readColor();
        pen.width = read<qint32>();
        pen.style = readEnum<Qt::PenStyle>(Qt::CustomDashLine);
        return pen;
    }
    TRpBrushSpec readBrush() {
        TRpBrushSpec brush;
        brush.color = readColor();
        brush.style = readEnum<Qt::BrushStyle>(Qt::DiagCrossPattern);
        return brush;
    }

    TRpPageImage::Item readItem() {
        switch (readEnum<Tag>(quint8(Tag::Picture))) {
            case Tag::Fill: {
                TRpPageImage::Fill f;
                f.rect = readRect();
                f.color = readColor();
                return f;
            }
            case Tag::Shape: {
                TRpPageImage::Shape s;
                s.kind = readEnum<TRpPageImage::ShapeKind>(quint8(TRpPageImage::ShapeKind::Line));
                s.rect = readRect();
                s.pen = readPen();
                s.brush = readBrush();
                return s;
            }
            case Tag::Text: {
                TRpPageImage::Text t;
                t.at = read<QPoint>();
                t.text = read<QString>();
                t.family = read<QString>();
                t.pixelSize = read<double>();
                const auto flags = read<quint8>();
                t.bold = flags & 1;
                t.italic = flags & 2;
                t.underline = flags & 4;
                t.strikeOut = flags & 8;
                t.color = readColor();
                t.anchor = readEnum<TRpTextAnchor>(quint8(TRpTextAnchor::Center));
                return t;
            }
            case Tag::Clip: {
                const bool on = read<bool>();
                return TRpPageImage::Clip{on, readRect()};
            }
            case Tag::Picture: {
                TRpPageImage::Picture p;
                p.rect = readRect();
                p.png = read<QByteArray>();
                return p;
            }
        }
        throw ERpError(QStringLiteral("Page image is corrupt"));
    }

  private:
    QDataStream& in_;
};

}  // namespace

QByteArray TRpPageImage::Serialize() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kMagic << kVersion << size_ << qint32(dpi_) << quint32(items_.size());
    ItemWriter writer{out};
    for (const Item& item : items_) std::visit(writer, item);
    return bytes;
}

TRpPageImage TRpPageImage::Parse(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    in.setByteOrder(QDataStream::LittleEndian);
    ItemReader reader(in);
    if (reader.read<quint32>() != kMagic) throw ERpError(QStringLiteral("Not a page image"));
    const auto version = reader.read<quint16>();
    if (version != kVersion) {
        throw ERpError(QStringLiteral("Unsupported page image version %1").arg(version));
    }
    TRpPageImage page;
    page.size_ = reader.read<QSize>();
    page.dpi_ = reader.read<qint32>();
    if (page.dpi_ <= 0) throw ERpError(QStringLiteral("Page image is corrupt"));
    const auto count = reader.read<quint32>();
    // Every item takes more than one byte, so a count beyond the remaining bytes is corrupt.
    if (count > static_cast<quint32>(bytes.size())) throw ERpError(QStringLiteral("Page image is corrupt"));
    page.items_.reserve(count);
    for (quint32 i = 0; i < count; ++i) page.items_.push_back(reader.readItem());
    if (!in.atEnd()) throw ERpError(QStringLiteral("Page image is corrupt"));
    return page;
}

// ---- Replay ------------------------------------------------------------------------------------

namespace {

// A picture item's image; a picture that is not a PNG Qt can read within its image limits is corrupt.
QImage decodedPicture(const QByteArray& png) {
    QImage image;
    if (!image.loadFromData(png, "PNG")) throw ERpError(QStringLiteral("Page image is corrupt"));
    return image;
}

class Replayer {
  public:
    Replayer(QPainter& painter, const RectF& target, QSize pageSize)
        : painter_(painter),
          target_(target),
          sx_(pageSize.width() > 0 ? target.width() / pageSize.width() : 0),
          sy_(pageSize.height() > 0 ? target.height() / pageSize.height() : 0) {}

    void operator()(const TRpPageImage::Fill& f) { painter_.fillRect(map(f.rect), f.color); }
    void operator()(const TRpPageImage::Shape& s) {
        QPen pen(s.pen.color, s.pen.width * std::min(sx_, sy_), s.pen.style);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
        painter_.setBrush(QBrush(s.brush.color, s.brush.style));
        const RectF box = map(s.rect);
        switch (s.kind) {
            case TRpPageImage::ShapeKind::Rectangle:
                painter_.drawRect(inset(box, pen.widthF()));
                break;
            case TRpPageImage::ShapeKind::Ellipse:
                painter_.drawEllipse(inset(box, pen.widthF()));
                break;
            case TRpPageImage::ShapeKind::Line:
                painter_.drawLine(box.topLeft(), box.bottomRight());
                break;
        }
    }
    void operator()(const TRpPageImage::Text& t) {
        QFont font(t.family);
        const double dpi = painter_.device()->logicalDpiY();
        font.setPointSizeF(std::max(0.01, t.pixelSize * sy_ * 72.0 / dpi));
        font.setBold(t.bold);
        font.setItalic(t.italic);
        font.setUnderline(t.underline);
        font.setStrikeOut(t.strikeOut);
        const QFontMetricsF metrics(font, painter_.device());
        double x = target_.x() + t.at.x() * sx_;
        if (t.anchor == TRpTextAnchor::Right) x -= metrics.horizontalAdvance(t.text);
        if (t.anchor == TRpTextAnchor::Center) x -= metrics.horizontalAdvance(t.text) / 2;
        painter_.setFont(font);
        painter_.setPen(t.color);
        painter_.drawText(QPointF(x, target_.y() + t.at.y() * sy_ + metrics.ascent()), t.text);
    }
    void operator()(const TRpPageImage::Clip& c) {
        if (!c.on) {
            painter_.restore();
            painter_.save();
        } else {
            painter_.setClipRect(map(c.rect), Qt::IntersectClip);
        }
    }
    void operator()(const TRpPageImage::Picture& p) {
        painter_.drawImage(map(p.rect), decodedPicture(p.png));
    }

  private:
    RectF map(const Rect& r) const {
        return RectF(target_.x() + r.x() * sx_, target_.y() + r.y() * sy_, r.width() * sx_, r.height() * sy_);
    }
    // A rectangle outline lies inside its box, as the fill does.
    static RectF inset(const RectF& box, double penWidth) {
        const double half = std::max(penWidth, 1.0) / 2;
        return box.adjusted(half, half, -half, -half);
    }

    QPainter& painter_;
    RectF target_;
    double sx_;
    double sy_;
};

}  // namespace

void TRpPageImage::Replay(QPainter& painter, const RectF& target) const {
    // The outer state, and the state a removed clip returns to; both restored also when an item
    // cannot be drawn.
    struct SavedStates {
        QPainter& painter;
        explicit SavedStates(QPainter& p) : painter(p) {
            painter.save();
            painter.save();
        }
        ~SavedStates() {
            painter.restore();
            painter.restore();
        }
    } saved(painter);
    Replayer replayer(painter, target, size_);
    for (const Item& item : items_) std::visit(replayer, item);
}

void TRpPageImage::CheckReplayable() const {
    for (const Item& item : items_) {
        if (const auto* picture = std::get_if<Picture>(&item)) decodedPicture(picture->png);
    }
}

QString TRpPageImage::ReadingText() const {
    struct Placed {
        double left, top, height;
        QString text;
    };
    std::vector<Placed> texts;
    const QImage device = measuringDevice(dpi_);
    for (const Item& item : items_) {
        const auto* t = std::get_if<Text>(&item);
        if (!t || t->text.trimmed().isEmpty()) continue;
        QFont font(t->family);
        font.setPointSizeF(std::max(0.01, t->pixelSize * 72.0 / dpi_));
        font.setBold(t->bold);
        font.setItalic(t->italic);
        const double advance = QFontMetricsF(font, &device).horizontalAdvance(t->text);
        double left = t->at.x();
        if (t->anchor == TRpTextAnchor::Right) left -= advance;
        if (t->anchor == TRpTextAnchor::Center) left -= advance / 2;
        texts.push_back({left, double(t->at.y()), t->pixelSize, t->text.trimmed()});
    }
    std::stable_sort(texts.begin(), texts.end(),
                     [](const Placed& a, const Placed& b) { return a.top < b.top; });
    QStringList lines;
    for (auto first = texts.begin(); first != texts.end();) {
        auto end = std::find_if(first, texts.end(), [&](const Placed& t) {
            return t.top >= first->top + std::max(first->height, 1.0) / 2;
        });
        std::stable_sort(first, end, [](const Placed& a, const Placed& b) { return a.left < b.left; });
        QStringList line;
        for (auto it = first; it != end; ++it) line.append(it->text);
        lines.append(line.join(QLatin1Char(' ')));
        first = end;
    }
    return lines.join(QLatin1Char('\n'));
}

// ---- Recording ---------------------------------------------------------------------------------

TRpPageRecorder::TRpPageRecorder(QSize pixels, int dotsPerInch)
    : page_(pixels, dotsPerInch), measure_(measuringDevice(dotsPerInch)) {}

void TRpPageRecorder::SetFont(const QFont& font, const QColor& color) {
    font_ = font;
    fontColor_ = color;
}

void TRpPageRecorder::FillRect(const Rect& rect, const QColor& color) {
    page_.Append(TRpPageImage::Fill{rect, color});
}

void TRpPageRecorder::Rectangle(const Rect& rect) {
    page_.Append(TRpPageImage::Shape{TRpPageImage::ShapeKind::Rectangle, rect, pen_, brush_});
}

void TRpPageRecorder::Ellipse(const Rect& rect) {
    page_.Append(TRpPageImage::Shape{TRpPageImage::ShapeKind::Ellipse, rect, pen_, brush_});
}

void TRpPageRecorder::Line(const QPoint& from, const QPoint& to) {
    const Rect span(from.x(), from.y(), to.x() - from.x(), to.y() - from.y());
    page_.Append(TRpPageImage::Shape{TRpPageImage::ShapeKind::Line, span, pen_, brush_});
}

void TRpPageRecorder::TextOut(const QPoint& at, const QString& text, TRpTextAnchor anchor) {
    const double points = font_.pointSizeF() > 0 ? font_.pointSizeF() : font_.pixelSize() * 72.0 / 96.0;
    page_.Append(TRpPageImage::Text{at, text, font_.family(), points * page_.DotsPerInch() / 72.0,
                                    font_.bold(), font_.italic(), font_.underline(), font_.strikeOut(),
                                    fontColor_, anchor});
}

void TRpPageRecorder::SetClip(const Rect& rect) {
    page_.Append(TRpPageImage::Clip{true, rect});
}

void TRpPageRecorder::RemoveClip() {
    page_.Append(TRpPageImage::Clip{false, Rect()});
}

void TRpPageRecorder::DrawImage(const Rect& target, const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    page_.Append(TRpPageImage::Picture{target, png});
}

int TRpPageRecorder::TextWidth(const QString& text) const {
    return QFontMetrics(font_, &measure_).horizontalAdvance(text);
}

int TRpPageRecorder::TextHeight(const QString&) const {
    return QFontMetrics(font_, &measure_).height();
}
