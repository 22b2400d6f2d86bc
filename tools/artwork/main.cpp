// Draws every picture of the program with QPainter and writes the PNGs.
//
// Usage: lens-artwork <output folder>
//
// Colours follow the window: black title bar, #1F2121 body, #1FEF80 accent.

#include <QByteArray>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <cstdio>

namespace {

const QColor kAccent(0x1F, 0xEF, 0x80);
const QColor kBody(0x1F, 0x21, 0x21);
const QColor kIconRest(0x9B, 0x9E, 0x9E);
const QColor kArrowRest(0x5E, 0x63, 0x63);

// Every picture is drawn in its size at scale 1; scale 2 gives the @2x
// file with the same drawing on twice the pixels.
QImage canvas(int w, int h, int scale)
{
    QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QString scaledName(const QString &name, int scale)
{
    if (scale == 1)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QStringLiteral("@%1x").arg(scale) + name.mid(dot);
}

bool save(const QImage &img, const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

// An iris of six blades: a hexagonal opening whose edges run on to the rim,
// the classic aperture picture. Blades alternate between two shades.
void drawIris(QPainter &p, QPointF c, qreal r, qreal opening, const QColor &bladeA, const QColor &bladeB,
    const QBrush &hole)
{
    QPointF v[6];
    for (int i = 0; i < 6; ++i) {
        const qreal a = qDegreesToRadians(60.0 * i - 75.0);
        v[i] = c + QPointF(qCos(a), qSin(a)) * (r * opening);
    }
    QPainterPath disk;
    disk.addEllipse(c, r, r);

    p.save();
    p.setClipPath(disk);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        const QPointF &a = v[i];
        const QPointF &b = v[(i + 1) % 6];
        const QPointF &n = v[(i + 2) % 6];
        const QPointF ext1 = b + (b - a) * (3.0 / opening);
        const QPointF ext2 = n + (n - b) * (3.0 / opening);
        QPolygonF blade;
        blade << b << ext1 << ext2 << n;
        p.setBrush(i % 2 ? bladeA : bladeB);
        p.drawPolygon(blade);
    }
    QPolygonF holePoly;
    for (const QPointF &pt : v)
        holePoly << pt;
    p.setBrush(hole);
    p.drawPolygon(holePoly);
    p.restore();
}

// Wordmark: the iris mark followed by "LENS" (white) and "UPDATER" (accent).
// Drawn into w x h with the text fitted to the height.
QImage logo(int w, int h)
{
    QImage img = canvas(w, h, 1);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal u = h; // one unit: the full height
    const QPointF c(u * 0.5, u * 0.5);
    const qreal r = u * 0.46;

    // Ring, then the blades in the accent colour with a dark opening.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(c, r, r);
    drawIris(p, c, r * 0.78, 0.46, QColor(0x0B, 0x0D, 0x0D), QColor(0x26, 0x2C, 0x2C), kAccent);

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    const QString a = QStringLiteral("LENS");
    const QString b = QStringLiteral("UPDATER");
    const qreal gap = u * 0.22;
    const qreal x0 = u + u * 0.28;
    const qreal avail = w - x0 - 1;

    // Largest pixel size whose caps stay inside the height and whose
    // two words fit the width.
    qreal px = u;
    for (; px > 4; px -= 0.25) {
        f.setPixelSize(qRound(px));
        QFontMetricsF fm(f);
        const qreal capH = fm.capHeight();
        if (capH <= u * 0.74 && fm.horizontalAdvance(a) + gap + fm.horizontalAdvance(b) <= avail)
            break;
    }
    f.setPixelSize(qRound(px));
    QFontMetricsF fm(f);
    const qreal base = (u + fm.capHeight()) / 2.0;

    QPainterPath ta;
    ta.addText(QPointF(x0, base), f, a);
    p.setBrush(Qt::white);
    p.drawPath(ta);

    QFont fb = f;
    fb.setWeight(QFont::Normal);
    QPainterPath tb;
    tb.addText(QPointF(x0 + fm.horizontalAdvance(a) + gap, base), fb, b);
    p.setBrush(kAccent);
    p.drawPath(tb);
    return img;
}

// Link-page background: a lens seen from the front on the left, the right
// half left quiet for the hint, welcome logo and connect button.
QImage background(int scale)
{
    const int w = 960, h = 500;
    QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    // Body colour with a faint light behind the lens.
    p.fillRect(img.rect(), kBody);
    const QPointF c(250, 250);
    {
        QRadialGradient g(c, 430);
        g.setColorAt(0.0, QColor(0x2B, 0x33, 0x30));
        g.setColorAt(0.55, QColor(0x22, 0x26, 0x25));
        g.setColorAt(1.0, kBody);
        p.fillRect(img.rect(), g);
    }

    // Sparse dot grid on the left, fading towards the middle.
    for (int y = 20; y < h; y += 24) {
        for (int x = 20; x < 470; x += 24) {
            const qreal fade = 1.0 - x / 470.0;
            QColor d(0xFF, 0xFF, 0xFF, int(18 * fade));
            p.setPen(Qt::NoPen);
            p.setBrush(d);
            p.drawEllipse(QPointF(x, y), 1.1, 1.1);
        }
    }

    // Soft shadow under the barrel.
    {
        QRadialGradient g(c + QPointF(0, 14), 205);
        g.setColorAt(0.80, QColor(0, 0, 0, 120));
        g.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.drawEllipse(c + QPointF(0, 14), 205, 205);
    }

    // Outer barrel.
    {
        QLinearGradient g(c - QPointF(0, 190), c + QPointF(0, 190));
        g.setColorAt(0.0, QColor(0x4A, 0x4F, 0x4F));
        g.setColorAt(0.5, QColor(0x2A, 0x2E, 0x2E));
        g.setColorAt(1.0, QColor(0x14, 0x16, 0x16));
        p.setBrush(g);
        p.drawEllipse(c, 190, 190);
    }

    // Focus ring with fine ridges.
    p.setBrush(QColor(0x17, 0x19, 0x19));
    p.drawEllipse(c, 176, 176);
    p.setPen(QPen(QColor(0x3A, 0x3F, 0x3F), 1.6));
    for (int i = 0; i < 180; ++i) {
        const qreal a = qDegreesToRadians(i * 2.0);
        const QPointF dir(qCos(a), qSin(a));
        p.drawLine(c + dir * 160, c + dir * 173);
    }
    p.setPen(Qt::NoPen);

    // Accent ring: the green line of the brand.
    p.setPen(QPen(kAccent, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 156, 156);
    p.setPen(Qt::NoPen);

    // Inner bezel with a distance scale.
    {
        QLinearGradient g(c - QPointF(0, 152), c + QPointF(0, 152));
        g.setColorAt(0.0, QColor(0x33, 0x37, 0x37));
        g.setColorAt(1.0, QColor(0x10, 0x12, 0x12));
        p.setBrush(g);
        p.drawEllipse(c, 152, 152);
    }
    p.setPen(QPen(QColor(0xC8, 0xCC, 0xCC, 150), 1.2));
    for (int i = 0; i < 72; ++i) {
        const qreal a = qDegreesToRadians(i * 5.0);
        const QPointF dir(qCos(a), qSin(a));
        const qreal len = (i % 6 == 0) ? 9 : 4;
        p.drawLine(c + dir * (148 - len), c + dir * 148);
    }
    p.setPen(Qt::NoPen);

    // Glass: deep, slightly green-blue.
    {
        QRadialGradient g(c + QPointF(-30, -40), 150);
        g.setColorAt(0.0, QColor(0x1A, 0x3A, 0x38));
        g.setColorAt(0.45, QColor(0x0C, 0x1A, 0x1C));
        g.setColorAt(1.0, QColor(0x03, 0x06, 0x07));
        p.setBrush(g);
        p.drawEllipse(c, 134, 134);
    }

    // Iris behind the glass, the light of the sensor in its opening.
    {
        QRadialGradient g(c, 44);
        g.setColorAt(0.0, QColor(0x2A, 0xB8, 0x70));
        g.setColorAt(0.7, QColor(0x0E, 0x4A, 0x30));
        g.setColorAt(1.0, QColor(0x06, 0x1C, 0x14));
        drawIris(p, c, 122, 0.36, QColor(0x0F, 0x14, 0x15, 245), QColor(0x1D, 0x25, 0x27, 245), g);
    }

    // Light from the sensor through the opening.
    {
        QRadialGradient g(c, 46);
        g.setColorAt(0.0, QColor(0x1F, 0xEF, 0x80, 70));
        g.setColorAt(0.6, QColor(0x1F, 0xEF, 0x80, 16));
        g.setColorAt(1.0, QColor(0x1F, 0xEF, 0x80, 0));
        p.setBrush(g);
        p.drawEllipse(c, 46, 46);
    }

    // Coating reflections.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 60), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 112, c.y() - 112, 224, 224), 100 * 16, 55 * 16);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 28), 14, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 92, c.y() - 92, 184, 184), 110 * 16, 35 * 16);
    p.setPen(QPen(QColor(0x7F, 0x5C, 0xFF, 55), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 120, c.y() - 120, 240, 240), 290 * 16, 40 * 16);
    p.setPen(QPen(QColor(0x1F, 0xEF, 0x80, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 100, c.y() - 100, 200, 200), 300 * 16, 28 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF, 150));
    p.drawEllipse(c + QPointF(-62, -70), 5, 5);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF, 70));
    p.drawEllipse(c + QPointF(-44, -84), 2.5, 2.5);

    // A short accent line pointing at the prompt; it fades out before the
    // right half, which stays quiet.
    {
        QLinearGradient g(QPointF(440, 0), QPointF(470, 0));
        g.setColorAt(0.0, QColor(0x1F, 0xEF, 0x80, 90));
        g.setColorAt(1.0, QColor(0x1F, 0xEF, 0x80, 0));
        p.setPen(QPen(QBrush(g), 1.2));
        p.drawLine(QPointF(440, 250), QPointF(470, 250));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1F, 0xEF, 0x80, 120));
        p.drawEllipse(QPointF(440, 250), 2.5, 2.5);
    }

    p.end();

    // A little noise keeps the wide dark gradients from showing bands.
    quint32 seed = 0x2545F491u;
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int((seed >> 24) % 3) - 1;
            const QRgb px = row[x];
            row[x] = qRgb(
                qBound(0, qRed(px) + d, 255), qBound(0, qGreen(px) + d, 255), qBound(0, qBlue(px) + d, 255));
        }
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

enum class Glyph { Help, Minimize, Close };

// Title-bar icons: 24 x 24, 2 px strokes on whole-pixel centres.
QImage titleIcon(Glyph glyph, const QColor &colour, int scale)
{
    QImage img = canvas(24, 24, scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPen pen(colour, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Help: {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        QPainterPath q;
        q.moveTo(9.2, 9.6);
        q.cubicTo(9.2, 7.7, 10.5, 6.8, 12.0, 6.8);
        q.cubicTo(13.6, 6.8, 14.8, 7.8, 14.8, 9.4);
        q.cubicTo(14.8, 11.4, 12.0, 11.6, 12.0, 13.8);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(12, 16.9), 1.2, 1.2);
        break;
    }
    case Glyph::Minimize:
        p.drawLine(QPointF(6.5, 12), QPointF(17.5, 12));
        break;
    case Glyph::Close:
        p.drawLine(QPointF(7, 7), QPointF(17, 17));
        p.drawLine(QPointF(17, 7), QPointF(7, 17));
        break;
    }
    return img;
}

// Warning sign: rounded yellow triangle with a dark exclamation mark.
QImage warningSign(int scale)
{
    const int w = 64, h = 58;
    QImage img = canvas(w, h, scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    QPainterPath tri;
    tri.moveTo(32, 3);
    tri.lineTo(61, 54);
    tri.lineTo(3, 54);
    tri.closeSubpath();
    QPainterPathStroker rounder;
    rounder.setWidth(6);
    rounder.setJoinStyle(Qt::RoundJoin);
    const QPainterPath shape = tri.united(rounder.createStroke(tri)).simplified();

    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0.0, QColor(0xFA, 0xF1, 0x4A));
    g.setColorAt(1.0, QColor(0xE8, 0xD8, 0x0C));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(shape);

    p.setBrush(kBody);
    QPainterPath bar;
    bar.moveTo(29.2, 20);
    bar.lineTo(34.8, 20);
    bar.lineTo(33.6, 40);
    bar.lineTo(30.4, 40);
    bar.closeSubpath();
    QPainterPathStroker soft;
    soft.setWidth(1.6);
    soft.setJoinStyle(Qt::RoundJoin);
    p.drawPath(bar.united(soft.createStroke(bar)));
    p.drawEllipse(QPointF(32, 46.5), 3.1, 3.1);
    return img;
}

// Guide arrows, 28 x 52: a slim chevron pointing right (next) or left (front).
QImage arrow(bool right, const QColor &colour, bool glow, int scale)
{
    QImage img = canvas(28, 52, scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPainterPath chev;
    if (right) {
        chev.moveTo(8, 8);
        chev.lineTo(20, 26);
        chev.lineTo(8, 44);
    } else {
        chev.moveTo(20, 8);
        chev.lineTo(8, 26);
        chev.lineTo(20, 44);
    }
    if (glow) {
        QColor halo = colour;
        halo.setAlpha(60);
        p.setPen(QPen(halo, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(chev);
    }
    p.setPen(QPen(colour, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chev);
    return img;
}

// Page dots, 128 x 128, shown at 32 px inside an 18 px button: the dot
// itself stays within the middle 56 px of the canvas.
QImage dot(bool lit)
{
    QImage img = canvas(128, 128, 1);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(64, 64);
    p.setPen(Qt::NoPen);
    if (lit) {
        QRadialGradient g(c, 30);
        g.setColorAt(0.55, QColor(0x1F, 0xEF, 0x80, 90));
        g.setColorAt(1.0, QColor(0x1F, 0xEF, 0x80, 0));
        p.setBrush(g);
        p.drawEllipse(c, 30, 30);
        p.setBrush(kAccent);
        p.drawEllipse(c, 18, 18);
    } else {
        p.setBrush(QColor(0x5E, 0x63, 0x63));
        p.drawEllipse(c, 16, 16);
    }
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    // Already drawn at twice (or more) the size they are shown at.
    ok &= save(logo(156, 28), out, QStringLiteral("logo.png"));
    ok &= save(logo(720, 128), out, QStringLiteral("logo@4x@2x.png"));
    ok &= save(dot(false), out, QStringLiteral("dot.png"));
    ok &= save(dot(true), out, QStringLiteral("dot-light.png"));
    // Shown at their own size: a file for scale 1 and one for scale 2.
    for (int s : { 1, 2 }) {
        ok &= save(background(s), out, scaledName(QStringLiteral("main.png"), s));
        ok &= save(titleIcon(Glyph::Help, kIconRest, s), out, scaledName(QStringLiteral("help-g.png"), s));
        ok &= save(
            titleIcon(Glyph::Help, kAccent, s), out, scaledName(QStringLiteral("help-light-g.png"), s));
        ok &= save(
            titleIcon(Glyph::Minimize, kIconRest, s), out, scaledName(QStringLiteral("minimize.png"), s));
        ok &= save(titleIcon(Glyph::Minimize, Qt::white, s), out,
            scaledName(QStringLiteral("minimize-light.png"), s));
        ok &= save(titleIcon(Glyph::Close, kIconRest, s), out, scaledName(QStringLiteral("close.png"), s));
        ok &= save(titleIcon(Glyph::Close, QColor(0xFF, 0x5F, 0x5F), s), out,
            scaledName(QStringLiteral("close-light.png"), s));
        ok &= save(warningSign(s), out, scaledName(QStringLiteral("warning-y.png"), s));
        ok &= save(arrow(true, kArrowRest, false, s), out, scaledName(QStringLiteral("next-hover.png"), s));
        ok &= save(arrow(false, kArrowRest, false, s), out, scaledName(QStringLiteral("front-hover.png"), s));
        ok &= save(arrow(true, kAccent, true, s), out, scaledName(QStringLiteral("next.png"), s));
        ok &= save(arrow(false, kAccent, true, s), out, scaledName(QStringLiteral("front.png"), s));
    }
    return ok ? 0 : 1;
}
