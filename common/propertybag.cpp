#include "propertybag.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QDataStream>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSaveFile>
#include <QtEndian>

#include <cmath>
#include <limits>

namespace common {

namespace {

constexpr quint32 kMagic = 0x54425042; // "TBPB"
constexpr quint16 kFormatVersion = 1;
constexpr quint32 kMaxEntries = 4096;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

// A stored picture may hold at most this many pixels for each byte of its file, plus
// kPictureAllowance: a one-bit picture packs eight pixels into a byte, and deflate packs at
// most 1032 bytes into one. A header that claims more cannot be honest.
constexpr qint64 kPixelsPerPictureByte = 8 * 1032;
constexpr qint64 kPictureAllowance = 1 << 20;

void setError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

bool isEmptyValue(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QImage>()) {
        return v.value<QImage>().isNull();
    }
    if (v.metaType() == QMetaType::fromType<QPixmap>()) {
        return v.value<QPixmap>().isNull();
    }
    return false;
}

// Steps over stored values without building them, to check that what they claim lies within
// the file.
class Walk {
public:
    explicit Walk(QByteArrayView bytes)
        : m_bytes(bytes) {}

    bool skip(qsizetype n) {
        if (n < 0 || n > m_bytes.size() - m_pos) {
            return false;
        }
        m_pos += n;
        return true;
    }

    bool readUInt32(quint32& value) {
        if (m_bytes.size() - m_pos < 4) {
            return false;
        }
        value = qFromBigEndian<quint32>(m_bytes.data() + m_pos);
        m_pos += 4;
        return true;
    }

    // A text: its length in bytes (all ones for a null text), then UTF-16.
    bool skipString() {
        quint32 bytes = 0;
        if (!readUInt32(bytes)) {
            return false;
        }
        return bytes == 0xFFFFFFFFu || (bytes % 2 == 0 && skip(bytes));
    }

    // A list of at least `least` texts: every one takes at least four bytes, so the walk ends
    // within the file whatever count the list claims.
    bool skipStringList(quint32 least) {
        quint32 count = 0;
        if (!readUInt32(count) || count < least) {
            return false;
        }
        for (quint32 i = 0; i < count; ++i) {
            if (!skipString()) {
                return false;
            }
        }
        return true;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

// A font record of the file's stream version: family and style texts, 31 bytes of sizes
// and flags, and the list of family names. The font reader makes room for as many names as
// the list claims before reading them, so the list must be within the file; and a font
// names at least one family (one without any cannot even be saved again).
bool fontFits(QByteArrayView rest) {
    constexpr qsizetype kFixedPart = 31;
    Walk walk(rest);
    return walk.skipString() && walk.skipString() && walk.skip(kFixedPart) &&
           walk.skipStringList(1);
}

// Sizes and a stretch that fonts have: text in a font claiming a billion points, or no
// size at all, would take work and memory without bound when drawn.
bool isUsableFont(const QFont& font) {
    constexpr qreal kMaxSize = 4096;
    constexpr int kMaxStretch = 4000; // what QFont::setStretch accepts
    const qreal points = font.pointSizeF();
    const int pixels = font.pixelSize();
    const bool pointsSet = std::isfinite(points) && points > 0 && points <= kMaxSize;
    const bool pixelsSet = pixels > 0 && pixels <= kMaxSize;
    return ((pointsSet && pixels == -1) || (pixelsSet && points == -1)) && font.stretch() >= 0 &&
           font.stretch() <= kMaxStretch;
}

// A picture record: a marker (0 for no picture), then a picture file whose header must not
// claim more pixels than the rest of the file could hold.
bool pictureFits(QByteArrayView rest) {
    Walk walk(rest);
    quint32 marker = 0;
    if (!walk.readUInt32(marker)) {
        return false;
    }
    if (marker == 0) {
        return true;
    }
    QByteArray file = QByteArray::fromRawData(rest.data() + 4, rest.size() - 4);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png"); // as the picture reader looks at it
    const QSize size = reader.size();
    if (!size.isValid()) {
        return true; // no size in the header: the picture reader judges the file
    }
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    return pixels <= kPixelsPerPictureByte * file.size() + kPictureAllowance;
}

// The kinds of value a property file keeps: what the controls and their hosts store. The
// readers of other kinds (lists, maps, polygons, regions, a program's own types) make room
// for whatever count they read, so they never see a file's bytes.
bool isKeptKind(int typeId) {
    switch (typeId) {
    case QMetaType::UnknownType: // a key written with no value
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QColor:
    case QMetaType::QFont:
    case QMetaType::QImage:
    case QMetaType::QPixmap:
        return true;
    default:
        return false;
    }
}

enum class ValueProblem { None, UnknownKind, Damaged };

// One stored value: its kind (a 32-bit type number), a null flag, then the value.
std::optional<QVariant> readValue(QDataStream& in, QByteArrayView data, ValueProblem& problem) {
    problem = ValueProblem::Damaged;
    quint32 typeId = 0;
    qint8 isNull = 0;
    in >> typeId >> isNull;
    if (in.status() != QDataStream::Ok) {
        return std::nullopt;
    }
    if (typeId > quint32(std::numeric_limits<int>::max()) || !isKeptKind(int(typeId))) {
        problem = ValueProblem::UnknownKind;
        return std::nullopt;
    }
    const QByteArrayView rest = data.sliced(in.device()->pos());
    switch (typeId) {
    case QMetaType::UnknownType:
        problem = ValueProblem::None;
        return QVariant();
    case QMetaType::QFont:
        if (!fontFits(rest)) {
            return std::nullopt;
        }
        break;
    case QMetaType::QImage:
    case QMetaType::QPixmap: {
        // A pixmap is stored as its picture; it is read as one, which needs no window system.
        if (!pictureFits(rest)) {
            return std::nullopt;
        }
        QImage picture;
        in >> picture;
        problem = ValueProblem::None;
        return QVariant(picture);
    }
    default: // numbers, places, colours; texts and bytes are read in bounded steps
        break;
    }
    const QMetaType type(static_cast<int>(typeId));
    QVariant value(type);
    if (!type.load(in, value.data())) {
        return std::nullopt;
    }
    if (typeId == QMetaType::QFont && !isUsableFont(value.value<QFont>())) {
        return std::nullopt;
    }
    problem = ValueProblem::None;
    return value;
}

} // namespace

std::optional<QImage> imageFromVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return QImage();
    }
    if (v.metaType() == QMetaType::fromType<QImage>()) {
        return v.value<QImage>();
    }
    if (v.metaType() == QMetaType::fromType<QPixmap>()) {
        return v.value<QPixmap>().toImage();
    }
    return std::nullopt;
}

bool isDefaultValue(const QVariant& value, const QVariant& defaultValue) {
    const bool valueEmpty = isEmptyValue(value);
    const bool defaultEmpty = isEmptyValue(defaultValue);
    if (valueEmpty || defaultEmpty) {
        return valueEmpty && defaultEmpty;
    }
    return value == defaultValue;
}

qsizetype FilePropertyBag::indexOf(const QString& key) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].first.compare(key, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QVariant FilePropertyBag::readProperty(const QString& key, const QVariant& defaultValue) const {
    const qsizetype i = indexOf(key);
    return i < 0 ? defaultValue : m_entries[i].second;
}

void FilePropertyBag::writeProperty(const QString& key, const QVariant& value,
                                    const QVariant& defaultValue) {
    if (isDefaultValue(value, defaultValue)) {
        const qsizetype i = indexOf(key);
        if (i >= 0) {
            m_entries.removeAt(i);
        }
        return;
    }
    writeProperty(key, value);
}

void FilePropertyBag::writeProperty(const QString& key, const QVariant& value) {
    const qsizetype i = indexOf(key);
    if (i >= 0) {
        m_entries[i].second = value;
    } else {
        m_entries.append({key, value});
    }
}

bool FilePropertyBag::contains(const QString& key) const {
    return indexOf(key) >= 0;
}

QStringList FilePropertyBag::keys() const {
    QStringList out;
    out.reserve(m_entries.size());
    for (const Entry& e : m_entries) {
        out.append(e.first);
    }
    return out;
}

QByteArray FilePropertyBag::toByteArray() const {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kMagic << kFormatVersion << static_cast<quint32>(m_entries.size());
    for (const Entry& e : m_entries) {
        out << e.first << e.second;
    }
    return data;
}

std::optional<FilePropertyBag> FilePropertyBag::fromByteArray(const QByteArray& data,
                                                              QString* error) {
    QDataStream in(data);
    in.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    quint32 count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic) {
        setError(error, QStringLiteral("not a property file"));
        return std::nullopt;
    }
    if (version != kFormatVersion) {
        setError(error, QStringLiteral("unsupported property file version %1").arg(version));
        return std::nullopt;
    }
    if (count > kMaxEntries) {
        setError(error, QStringLiteral("property file claims %1 entries").arg(count));
        return std::nullopt;
    }
    FilePropertyBag bag;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        in >> key;
        ValueProblem problem = ValueProblem::Damaged;
        const auto value = in.status() == QDataStream::Ok && !key.isEmpty()
                               ? readValue(in, QByteArrayView(data), problem)
                               : std::nullopt;
        if (problem == ValueProblem::UnknownKind) {
            setError(error, QStringLiteral("property file holds a value of a kind it cannot keep "
                                           "at entry %1")
                                .arg(i + 1));
            return std::nullopt;
        }
        if (!value || in.status() != QDataStream::Ok) {
            setError(error, QStringLiteral("property file is damaged at entry %1").arg(i + 1));
            return std::nullopt;
        }
        bag.writeProperty(key, *value);
    }
    if (!in.atEnd()) {
        setError(error, QStringLiteral("property file has trailing data"));
        return std::nullopt;
    }
    return bag;
}

bool FilePropertyBag::save(const QString& path, QString* error) const {
    // A value the file could not give back is refused before anything is written.
    for (const Entry& e : m_entries) {
        if (!isKeptKind(e.second.typeId())) {
            setError(error, QStringLiteral("the value of %1 is of a kind a property file cannot "
                                           "keep (%2)")
                                .arg(e.first, QString::fromLatin1(e.second.typeName())));
            return false;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    const QByteArray data = toByteArray();
    if (file.write(data) != data.size() || !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

std::optional<FilePropertyBag> FilePropertyBag::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    return fromByteArray(file.readAll(), error);
}

} // namespace common
