#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTextLayout>
#include <QTranslator>

#include "app/appfonts.h"
#include "app/apphighdpi.h"
#include "app/widget.h"
#include "widgets/spotfoldcircle.h"
#include "widgets/warningwidget.h"

namespace {

QString widgetTr(const char *text)
{
    return QCoreApplication::translate("Widget", text);
}

// Characters of text for which neither the font nor any fallback has a glyph.
QString missingGlyphs(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) { }
    layout.endLayout();
    QString missing;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QVector<quint32> glyphs = run.glyphIndexes();
        for (quint32 g : glyphs) {
            if (g == 0)
                missing += QLatin1Char('?');
        }
    }
    // A run-level miss gives no position; report the characters the
    // resolved fonts do not claim instead.
    if (!missing.isEmpty()) {
        missing.clear();
        for (const QGlyphRun &run : layout.glyphRuns()) {
            for (const QChar c : text) {
                if (!c.isSpace() && !run.rawFont().supportsCharacter(c) && !missing.contains(c))
                    missing += c;
            }
        }
    }
    return missing;
}

bool hasCjk(const QString &text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Han)
            return true;
    }
    return false;
}

} // namespace

class tst_Screenshots : public QObject
{
    Q_OBJECT

public:
    // As the program: before the application object exists.
    static void initMain() { AppHighDpi::configure(); }

private slots:
    void initTestCase();
    void pages_data();
    void pages();

private:
    void fill(Widget &w, const QString &state);
    void checkTexts(Widget &w, const QString &where);
};

void tst_Screenshots::initTestCase()
{
    QVERIFY(QDir().mkpath(QStringLiteral(LENS_SHOT_DIR)));
    AppFonts::installSubstitutes(); // as main() does
}

void tst_Screenshots::pages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("state");
    for (const char *language : { "Chinese", "English" }) {
        for (const char *state : { "link", "ready", "finished", "updating", "restarting", "warning" })
            QTest::addRow("%s-%s", language, state) << language << state;
    }
}

// Puts the form into one of its states with the longest texts the running
// program writes there.
void tst_Screenshots::fill(Widget &w, const QString &state)
{
    auto *center = w.findChild<QStackedWidget *>(QStringLiteral("centerStackedWidget"));
    auto *sub = w.findChild<QStackedWidget *>(QStringLiteral("childstackedWidget"));
    auto label = [&](const char *name) { return w.findChild<QLabel *>(QLatin1String(name)); };

    const QString model = QStringLiteral("AF 85mm F1.8 XF");
    const QString serial = QStringLiteral("ZT85XF2304150012");
    label("label_model")->setText(widgetTr("产品型号 ： ") + model);
    label("label_SN")->setText(widgetTr("序列号  ： ") + serial);
    label("label_nowVer")->setText(widgetTr("当前版本 ： ") + QStringLiteral("v1.2.3beta1"));
    label("label_newVer")->setText(widgetTr("最新版本 ： ") + QStringLiteral("v1.3.0"));
    label("label_model_F")->setText(widgetTr("产品型号 ： ") + model);
    label("label_SN_F")->setText(widgetTr("序列号  ： ") + serial);
    label("label_newVer_F")->setText(widgetTr("当前镜头版本 ： ") + QStringLiteral("v1.3.0"));
    w.findChild<QTextEdit *>(QStringLiteral("textEdit_contect"))
        ->setPlainText(QStringLiteral("1. Faster focus in low light.\n2. Fixed aperture flicker.\n"
                                      "3. 修正了对焦马达的噪音。"));

    QPixmap lens(260, 370);
    lens.fill(QColor(0x2A, 0x2E, 0x2E));
    label("label_model_img")->setPixmap(lens);

    if (state == QLatin1String("ready") || state == QLatin1String("finished")) {
        center->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("page_update")));
        sub->setCurrentIndex(state == QLatin1String("ready") ? 0 : 1);
    } else if (state == QLatin1String("updating") || state == QLatin1String("restarting")) {
        center->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("page_updating")));
        auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        if (state == QLatin1String("updating")) {
            label("label_progress")
                ->setText(widgetTr("正在更新 ： ") + QStringLiteral("37.5") + widgetTr("%"));
            bar->setValue(37);
        } else {
            label("label_progress")
                ->setText(widgetTr("正在更新 ： ") + QStringLiteral("100.0") + widgetTr("%。正在重启中..."));
            bar->hide();
            label("label_gif")->show();
            w.findChild<SpotFoldCircle *>()->start();
        }
    } else if (state == QLatin1String("warning")) {
        auto *warning = w.findChild<WarningWidget *>();
        warning->showNoDevice();
        warning->move(center->pos());
        warning->show();
        w.findChild<QWidget *>(QStringLiteral("button_help"))->hide();
    }
}

// Every visible text of the form fits its widget, has its glyphs, and no two
// visible text widgets of a page overlap.
void tst_Screenshots::checkTexts(Widget &w, const QString &where)
{
    QList<QWidget *> shown;
    for (QWidget *row : { w.findChild<QWidget *>(QStringLiteral("headWidget")),
             w.findChild<QWidget *>(QStringLiteral("centerStackedWidget")) }) {
        for (QWidget *widget : row->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(&w) || widget->objectName().isEmpty())
                continue;
            QString text;
            if (auto *l = qobject_cast<QLabel *>(widget))
                text = l->text();
            else if (auto *b = qobject_cast<QPushButton *>(widget))
                text = b->text();
            else if (qobject_cast<QProgressBar *>(widget))
                ;
            else
                continue;
            shown << widget;
            if (text.isEmpty())
                continue;
            const QFontMetrics fm(widget->font());
            const QString id = where + QLatin1Char(' ') + widget->objectName() + QLatin1String(": ") + text;
            QVERIFY2(fm.horizontalAdvance(text)
                    <= widget->width() - (qobject_cast<QPushButton *>(widget) ? 16 : 0),
                qPrintable(QStringLiteral("clipped: ") + id));
            QVERIFY2(fm.height() <= widget->height(), qPrintable(QStringLiteral("too tall: ") + id));
            if (hasCjk(text)) {
                const QString missing = missingGlyphs(text, widget->font());
                QVERIFY2(missing.isEmpty(),
                    qPrintable(QStringLiteral("no glyphs for ") + missing + QLatin1String(" in ") + id));
            }
        }
    }
    for (int i = 0; i < shown.size(); ++i) {
        for (int j = i + 1; j < shown.size(); ++j) {
            const QRect a(shown[i]->mapTo(&w, QPoint(0, 0)), shown[i]->size());
            const QRect b(shown[j]->mapTo(&w, QPoint(0, 0)), shown[j]->size());
            QVERIFY2(!a.intersects(b),
                qPrintable(where + QLatin1String(": ") + shown[i]->objectName() + QLatin1String(" overlaps ")
                    + shown[j]->objectName()));
        }
    }
}

void tst_Screenshots::pages()
{
    QFETCH(QString, language);
    QFETCH(QString, state);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/") + language + QStringLiteral(".qm")));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    {
        Widget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        fill(w, state);
        QTest::qWait(50);

        const QString where = language + QLatin1Char('-') + state;
        checkTexts(w, where);
        if (QTest::currentTestFailed())
            return;

        const QImage shot = w.grab().toImage();
        // The layout is 960 x 540 at any desktop scale; the picture has the
        // screen's pixels.
        QCOMPARE(w.size(), QSize(960, 540));
        QCOMPARE(shot.size(), QSize(960, 540) * w.devicePixelRatioF());
        const QString file = QStringLiteral(LENS_SHOT_DIR "/") + where + QStringLiteral(".png");
        QVERIFY2(shot.save(file), qPrintable(file));
        qInfo("%s", qPrintable(file));
    }
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(tst_Screenshots)

#include "tst_screenshots.moc"
