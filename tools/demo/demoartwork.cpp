#include "demoartwork.h"

#include "demolenses.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstring>

namespace {

const char kMagic[] = "LENSDEMO-FW";
constexpr double kPi = 3.14159265358979323846;

// A barrel of the lens, seen from the side and a little from above: a
// cylinder whose lit side runs down its left third.
void paintCylinder(QPainter &p, qreal left, qreal right, qreal top, qreal bottom, qreal ellipse,
    const QColor &dark, const QColor &light)
{
    QLinearGradient shade(left, 0, right, 0);
    shade.setColorAt(0.0, dark.darker(160));
    shade.setColorAt(0.28, light);
    shade.setColorAt(0.55, dark);
    shade.setColorAt(1.0, dark.darker(220));
    QPainterPath body;
    body.moveTo(left, top);
    body.lineTo(left, bottom);
    body.arcTo(QRectF(left, bottom - ellipse / 2, right - left, ellipse), 180, 180);
    body.lineTo(right, top);
    body.arcTo(QRectF(left, top - ellipse / 2, right - left, ellipse), 0, -180);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(body);
}

void paintRing(QPainter &p, qreal left, qreal right, qreal y, qreal ellipse, const QColor &color, qreal width)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, width));
    p.drawArc(QRectF(left, y - ellipse / 2, right - left, ellipse), 180 * 16, 180 * 16);
}

} // namespace

QImage DemoArtwork::lensPicture(const DemoLens &lens)
{
    const QSize size(240, 340);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal cx = size.width() / 2.0;
    const qreal e = 34; // height of the end ellipses

    // Soft shadow under the lens.
    QRadialGradient shadow(cx, 318, 100);
    shadow.setColorAt(0, QColor(0, 0, 0, 110));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(cx, 318), 100, 16);

    // Mount, body, focus ring, front barrel: bottom to top.
    paintCylinder(p, cx - 70, cx + 70, 282, 306, e, QColor(120, 124, 130), QColor(235, 238, 242));
    paintCylinder(p, cx - 80, cx + 80, 120, 284, e, QColor(28, 29, 32), QColor(92, 94, 100));
    paintCylinder(p, cx - 84, cx + 84, 150, 226, e, QColor(22, 22, 24), QColor(70, 70, 76));
    // The grip of the focus ring: ribs that crowd towards the edges.
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.6));
    for (int i = 1; i < 28; ++i) {
        const qreal x = cx - 84 * std::cos(kPi * i / 28.0);
        p.drawLine(QPointF(x, 156), QPointF(x, 226 + e / 2 * std::sin(kPi * i / 28.0) - 4));
    }
    paintCylinder(p, cx - 88, cx + 88, 52, 122, e, QColor(30, 31, 34), QColor(100, 102, 108));
    paintRing(p, cx - 88, cx + 88, 112, e, QColor(214, 38, 38), 3.5);
    paintRing(p, cx - 80, cx + 80, 262, e, QColor(190, 190, 196), 1.2);

    // The front: the rim, then the glass with its coloured coating.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(14, 14, 16));
    p.drawEllipse(QRectF(cx - 88, 52 - e / 2, 176, e));
    QRadialGradient glass(cx - 20, 48, 70);
    glass.setColorAt(0.0, QColor(190, 220, 255));
    glass.setColorAt(0.25, QColor(80, 110, 200));
    glass.setColorAt(0.6, QColor(60, 30, 110));
    glass.setColorAt(1.0, QColor(10, 10, 20));
    p.setBrush(glass);
    p.drawEllipse(QRectF(cx - 70, 52 - e / 2 + 4, 140, e - 8));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(cx - 38, 52 - 9, 22, 6));

    // Markings on the barrel.
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(235, 235, 235));
    p.drawText(QRectF(cx - 76, 240, 152, 18), Qt::AlignCenter, QString::fromUtf8(lens.name));
    font.setPixelSize(11);
    font.setBold(false);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(font);
    p.setPen(QColor(214, 38, 38));
    p.drawText(QRectF(cx - 76, 84, 152, 16), Qt::AlignCenter, QStringLiteral("DEMO"));
    p.end();
    return image;
}

QByteArray DemoArtwork::firmwareImage(const DemoLens &lens, int size)
{
    QByteArray image(qMax(size, 128), '\0');
    std::memcpy(image.data(), kMagic, sizeof(kMagic) - 1);
    const QByteArray name = QByteArray(lens.name).left(31);
    std::memcpy(image.data() + 32, name.constData(), size_t(name.size()));
    const QByteArray version = QByteArray(lens.servedVersion).left(15);
    std::memcpy(image.data() + 64, version.constData(), size_t(version.size()));
    // A fixed xorshift stream: the same image on every build.
    quint32 state = 0x9E3779B9u;
    for (const char c : QByteArray(lens.code))
        state = state * 31 + quint8(c);
    for (int i = 80; i < image.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[i] = char(state & 0xFF);
    }
    // The lens sees the final packet with its zero padding; a last byte of
    // zero would make the end of the image ambiguous.
    if (image.at(image.size() - 1) == '\0')
        image[image.size() - 1] = char(0xA5);
    return image;
}

QString DemoArtwork::releaseNotes(const DemoLens &lens)
{
    const QString version = QString::fromUtf8(lens.servedVersion);
    const QString name = QString::fromUtf8(lens.name);
    return QStringLiteral("<h3>%1 固件 %2</h3>"
                          "<ul><li>优化对焦速度，弱光下对焦更稳定。</li>"
                          "<li>修正部分机身上光圈显示错误的问题。</li>"
                          "<li>提高视频拍摄时的对焦平滑度。</li></ul>"
                          "<h3>%1 firmware %2</h3>"
                          "<ul><li>Faster autofocus, steadier in low light.</li>"
                          "<li>Fixes the aperture shown wrongly on some camera bodies.</li>"
                          "<li>Smoother focus transitions while recording video.</li></ul>"
                          "<p><i>演示固件 / Demo firmware: it only ever goes to the simulated lens.</i></p>")
        .arg(name.toHtmlEscaped(), version);
}

QByteArray DemoArtwork::queryReply(const DemoLens &lens)
{
    QJsonObject data;
    data.insert(QStringLiteral("vendor"), QStringLiteral("Zemtar"));
    data.insert(QStringLiteral("model"), QString::fromUtf8(lens.name));
    data.insert(QStringLiteral("nickname"), QString::fromUtf8(lens.code));
    data.insert(QStringLiteral("img"), QStringLiteral("picture.png"));
    data.insert(QStringLiteral("dat"), QStringLiteral("firmware.dat"));
    data.insert(QStringLiteral("version"), QString::fromUtf8(lens.servedVersion));
    data.insert(QStringLiteral("camera_version"), QString());
    data.insert(QStringLiteral("content"), releaseNotes(lens));
    QJsonObject reply;
    reply.insert(QStringLiteral("code"), 200);
    reply.insert(QStringLiteral("message"), QStringLiteral("ok"));
    reply.insert(QStringLiteral("data"), data);
    return QJsonDocument(reply).toJson(QJsonDocument::Indented);
}

bool DemoArtwork::writeModels(const QString &folder, QString *error)
{
    auto write = [error](const QString &path, const QByteArray &contents) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.flush()) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
            return false;
        }
        return true;
    };
    for (const DemoLens &lens : kDemoLenses) {
        const QString dir = folder + QLatin1Char('/') + QString::fromLatin1(lens.code);
        if (!QDir().mkpath(dir)) {
            *error = QStringLiteral("cannot create %1").arg(dir);
            return false;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!lensPicture(lens).save(&buffer, "PNG")) {
            *error = QStringLiteral("cannot encode the picture of %1").arg(QString::fromLatin1(lens.code));
            return false;
        }
        if (!write(dir + QStringLiteral("/picture.png"), png)
            || !write(dir + QStringLiteral("/firmware.dat"), firmwareImage(lens))
            || !write(dir + QStringLiteral("/reply.json"), queryReply(lens)))
            return false;
    }
    return true;
}
