#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>

#include "app/widget.h"
#include "widgets/spotfoldcircle.h"
#include "widgets/updateguidewidget.h"
#include "widgets/warningwidget.h"

namespace {

// Records every lookup in the window's context that found no translation.
class RecordingTranslator : public QTranslator
{
public:
    QStringList misses;

    QString translate(
        const char *context, const char *source, const char *disambiguation, int n) const override
    {
        const QString result = QTranslator::translate(context, source, disambiguation, n);
        if (result.isEmpty() && qstrcmp(context, "Widget") == 0)
            const_cast<RecordingTranslator *>(this)->misses << QString::fromUtf8(source);
        return result;
    }
};

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage fileImage(const QString &path)
{
    return QIcon(path).pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_Widget : public QObject
{
    Q_OBJECT

private slots:
    void objectsAndParents_data();
    void objectsAndParents();
    void geometry_data();
    void geometry();
    void windowFrame();
    void startsOnLinkPage();
    void titleBarAndBody();
    void initialTexts_data();
    void initialTexts();

    void hoverIcons_data();
    void hoverIcons();
    void logoReturnsToLinkPage();
    void dragging();
    void minimizeAndClose();

private:
    // The overlays have widgets of the same names (label_hint); the form's
    // own widgets all live under the window's two rows.
    static QList<QWidget *> formWidgets(const Widget &w, const QString &name)
    {
        QList<QWidget *> found;
        for (QWidget *row : { w.findChild<QWidget *>(QStringLiteral("headWidget")),
                 w.findChild<QWidget *>(QStringLiteral("centerStackedWidget")) }) {
            if (row->objectName() == name)
                found << row;
            found << row->findChildren<QWidget *>(name);
        }
        return found;
    }

    template <typename T = QWidget> static T *child(const Widget &w, const char *name)
    {
        const QList<QWidget *> found = formWidgets(w, QLatin1String(name));
        return found.size() == 1 ? qobject_cast<T *>(found.first()) : nullptr;
    }
};

void tst_Widget::objectsAndParents_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    const struct
    {
        const char *name, *cls, *parent;
    } rows[] = {
        { "headWidget", "QWidget", "Widget" },
        { "label_logo", "QLabel", "headWidget" },
        { "button_help", "QPushButton", "headWidget" },
        { "button_minimize", "QPushButton", "headWidget" },
        { "button_close", "QPushButton", "headWidget" },
        { "comboBox_language", "QComboBox", "headWidget" },
        { "centerStackedWidget", "QStackedWidget", "Widget" },
        { "page_link", "QWidget", "centerStackedWidget" },
        { "button_link", "QPushButton", "page_link" },
        { "label_hint", "QLabel", "page_link" },
        { "label_welcom", "QLabel", "page_link" },
        { "page_update", "QWidget", "centerStackedWidget" },
        { "childstackedWidget", "QStackedWidget", "page_update" },
        { "page_updateReady", "QWidget", "childstackedWidget" },
        { "button_update", "QPushButton", "page_updateReady" },
        { "textEdit_contect", "QTextEdit", "page_updateReady" },
        { "label_SN", "QLabel", "page_updateReady" },
        { "label_model", "QLabel", "page_updateReady" },
        { "label_nowVer", "QLabel", "page_updateReady" },
        { "label_newVer", "QLabel", "page_updateReady" },
        { "page_updatefinished", "QWidget", "childstackedWidget" },
        { "label_model_F", "QLabel", "page_updatefinished" },
        { "label_SN_F", "QLabel", "page_updatefinished" },
        { "label_newVer_F", "QLabel", "page_updatefinished" },
        { "button_update_F", "QPushButton", "page_updatefinished" },
        { "label_model_img", "QLabel", "page_update" },
        { "page_updating", "QWidget", "centerStackedWidget" },
        { "progressBar", "QProgressBar", "page_updating" },
        { "label_progress", "QLabel", "page_updating" },
        { "label_gif", "QLabel", "page_updating" },
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.name << r.cls << r.parent;
}

void tst_Widget::objectsAndParents()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    Widget w;
    QCOMPARE(w.objectName(), QStringLiteral("Widget"));
    const QList<QWidget *> found = formWidgets(w, name);
    QCOMPARE(found.size(), 1);
    QWidget *widget = found.first();
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QWidget *parent = widget->parentWidget();
    // Stacked pages sit inside the stack's private container.
    if (parent && parent->objectName() == QLatin1String("qt_stackwidget"))
        parent = parent->parentWidget();
    QVERIFY(parent);
    QCOMPARE(parent->objectName(), parentName);
}

void tst_Widget::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("label_logo") << "label_logo" << QRect(20, 13, 78, 14);
    QTest::newRow("button_help") << "button_help" << QRect(844, 8, 24, 24);
    QTest::newRow("button_minimize") << "button_minimize" << QRect(888, 8, 24, 24);
    QTest::newRow("button_close") << "button_close" << QRect(932, 8, 24, 24);
    QTest::newRow("comboBox_language") << "comboBox_language" << QRect(744, 8, 80, 24);
    QTest::newRow("button_link") << "button_link" << QRect(630, 310, 160, 46);
    QTest::newRow("label_hint") << "label_hint" << QRect(460, 230, 500, 51);
    QTest::newRow("label_welcom") << "label_welcom" << QRect(620, 140, 180, 32);
    QTest::newRow("childstackedWidget") << "childstackedWidget" << QRect(480, 0, 480, 500);
    QTest::newRow("button_update") << "button_update" << QRect(80, 370, 160, 46);
    QTest::newRow("textEdit_contect") << "textEdit_contect" << QRect(80, 230, 320, 120);
    QTest::newRow("label_SN") << "label_SN" << QRect(80, 100, 320, 25);
    QTest::newRow("label_model") << "label_model" << QRect(80, 70, 320, 25);
    QTest::newRow("label_nowVer") << "label_nowVer" << QRect(80, 150, 320, 25);
    QTest::newRow("label_newVer") << "label_newVer" << QRect(80, 180, 320, 25);
    QTest::newRow("label_model_F") << "label_model_F" << QRect(80, 170, 320, 25);
    QTest::newRow("label_SN_F") << "label_SN_F" << QRect(80, 200, 320, 25);
    QTest::newRow("label_newVer_F") << "label_newVer_F" << QRect(80, 270, 320, 25);
    QTest::newRow("button_update_F") << "button_update_F" << QRect(80, 330, 160, 46);
    QTest::newRow("label_model_img") << "label_model_img" << QRect(180, 45, 260, 370);
    QTest::newRow("progressBar") << "progressBar" << QRect(370, 180, 220, 20);
    QTest::newRow("label_progress") << "label_progress" << QRect(319, 240, 321, 25);
    QTest::newRow("label_gif") << "label_gif" << QRect(440, 130, 80, 80);
}

void tst_Widget::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QWidget *> found = formWidgets(w, name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first()->geometry(), rect);
}

void tst_Widget::windowFrame()
{
    Widget w;
    QCOMPARE(w.size(), QSize(960, 540));
    QCOMPARE(w.minimumSize(), QSize(960, 540));
    QCOMPARE(w.maximumSize(), QSize(960, 540));
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(w.windowTitle().isEmpty());
    QCOMPARE(w.layoutDirection(), Qt::LeftToRight);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(child(w, "headWidget")->geometry(), QRect(0, 0, 960, 40));
    QCOMPARE(child(w, "centerStackedWidget")->geometry(), QRect(0, 40, 960, 500));

    // The overlays exist, hidden, beneath the title bar.
    auto *guide = w.findChild<UpdateGuideWidget *>();
    auto *warning = w.findChild<WarningWidget *>();
    QVERIFY(guide && warning);
    QCOMPARE(guide->parentWidget(), &w);
    QCOMPARE(warning->parentWidget(), &w);
    QVERIFY(!guide->isVisible());
    QVERIFY(!warning->isVisible());
    // Topmost child widget (the window also owns non-widget children).
    QWidget *topmost = nullptr;
    for (QObject *object : w.children()) {
        if (object->isWidgetType())
            topmost = static_cast<QWidget *>(object);
    }
    QCOMPARE(topmost, child(w, "headWidget"));
}

void tst_Widget::startsOnLinkPage()
{
    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *center = child<QStackedWidget>(w, "centerStackedWidget");
    auto *sub = child<QStackedWidget>(w, "childstackedWidget");
    QCOMPARE(center->count(), 3);
    QCOMPARE(center->widget(0), child(w, "page_link"));
    QCOMPARE(center->widget(1), child(w, "page_update"));
    QCOMPARE(center->widget(2), child(w, "page_updating"));
    QCOMPARE(center->currentWidget(), child(w, "page_link"));
    QCOMPARE(sub->count(), 2);
    QCOMPARE(sub->widget(0), child(w, "page_updateReady"));
    QCOMPARE(sub->widget(1), child(w, "page_updatefinished"));
    QCOMPARE(sub->currentIndex(), 0);

    QVERIFY(!child(w, "comboBox_language")->isVisible());
    QCOMPARE(child<QComboBox>(w, "comboBox_language")->count(), 0);
    QVERIFY(child(w, "button_help")->isVisible());

    // The busy indicator waits, stopped, in its hidden container.
    QLabel *gif = child<QLabel>(w, "label_gif");
    QVERIFY(gif->isHidden());
    auto *spinner = gif->findChild<SpotFoldCircle *>();
    QVERIFY(spinner);
    QCOMPARE(spinner->size(), QSize(80, 80));

    auto *bar = child<QProgressBar>(w, "progressBar");
    QCOMPARE(bar->value(), 0);
    QVERIFY(!bar->isTextVisible());

    // The background picture lies beneath every other widget of the link page.
    QWidget *page = child(w, "page_link");
    auto *background = qobject_cast<QLabel *>(page->children().first());
    QVERIFY(background);
    QCOMPARE(background->geometry(), QRect(0, 0, 960, 500));
    QVERIFY(!background->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!child<QLabel>(w, "label_logo")->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!child<QLabel>(w, "label_welcom")->pixmap(Qt::ReturnByValue).isNull());

    auto *notes = child<QTextEdit>(w, "textEdit_contect");
    QVERIFY(notes->isReadOnly());
    QCOMPARE(notes->textInteractionFlags(), Qt::NoTextInteraction);
    QCOMPARE(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(notes->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

void tst_Widget::titleBarAndBody()
{
    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *center = child<QStackedWidget>(w, "centerStackedWidget");
    const QColor black(0x00, 0x00, 0x00);
    const QColor body(0x1F, 0x21, 0x21);

    // Sample points clear of the logo, the buttons and every text.
    const QList<QPoint> titleBar = { { 5, 2 }, { 400, 20 }, { 700, 37 }, { 957, 3 } };
    const QList<QPoint> bodyFree = { { 5, 5 }, { 300, 480 }, { 955, 495 } };

    for (QWidget *page : { child(w, "page_update"), child(w, "page_updating") }) {
        center->setCurrentWidget(page);
        const QImage shot = w.grab().toImage();
        QCOMPARE(shot.size(), QSize(960, 540));
        for (const QPoint &p : titleBar)
            QCOMPARE(shot.pixelColor(p), black);
        for (const QPoint &p : bodyFree)
            QCOMPARE(shot.pixelColor(p + QPoint(0, 40)), body);
    }

    // The link page shows its background picture; the title bar stays black.
    center->setCurrentWidget(child(w, "page_link"));
    const QImage shot = w.grab().toImage();
    for (const QPoint &p : titleBar)
        QCOMPARE(shot.pixelColor(p), black);
    const QImage picture(QStringLiteral(":/res/main.png"));
    QCOMPARE(shot.pixelColor(250, 250 + 40), picture.pixelColor(250, 250));
}

void tst_Widget::initialTexts_data()
{
    QTest::addColumn<QString>("qm");
    QTest::addColumn<QStringList>("texts");
    // button_link, label_hint, button_update, label_SN, label_SN_F, label_model,
    // label_model_F, label_nowVer, label_newVer, label_newVer_F,
    // button_update_F, label_progress
    QTest::newRow("Chinese") << ":/Chinese.qm"
                             << QStringList { "开始连接", "请将设备通过USB连接到电脑中", "更新最新固件",
                                    "序列号：", "序列号：", "产品型号：", "产品型号：", "当前版本：",
                                    "最新版本：", "当前镜头版本：", "已是最新固件", "正在更新：00.0%" };
    QTest::newRow("English") << ":/English.qm"
                             << QStringList { "Connect", "Connect the device to your computer via USB",
                                    "Update", "Serial number:", "Serial number:", "Product model:",
                                    "Product model:", "Current version:", "Latest Version:",
                                    "Current lens version:", "Is the latest", "Upadting : 00.0%" };
}

void tst_Widget::initialTexts()
{
    QFETCH(QString, qm);
    QFETCH(QStringList, texts);

    RecordingTranslator translator;
    QVERIFY(translator.load(qm));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    Widget w;
    QCoreApplication::removeTranslator(&translator);
    // Every text of the form, the release-notes document among them, was
    // found in the translation.
    QVERIFY2(translator.misses.isEmpty(), qPrintable(translator.misses.join(QLatin1String(" | "))));

    const char *const buttons[] = { "button_link", "button_update", "button_update_F" };
    const char *const labels[] = { "label_hint", "label_SN", "label_SN_F", "label_model", "label_model_F",
        "label_nowVer", "label_newVer", "label_newVer_F" };
    QCOMPARE(child<QPushButton>(w, buttons[0])->text(), texts[0]);
    QCOMPARE(child<QLabel>(w, labels[0])->text(), texts[1]);
    QCOMPARE(child<QPushButton>(w, buttons[1])->text(), texts[2]);
    for (int i = 1; i < 8; ++i)
        QCOMPARE(child<QLabel>(w, labels[i])->text(), texts[2 + i]);
    QCOMPARE(child<QPushButton>(w, buttons[2])->text(), texts[10]);
    QCOMPARE(child<QLabel>(w, "label_progress")->text(), texts[11]);

    for (const char *empty : { "label_logo", "label_welcom", "label_model_img", "label_gif" })
        QVERIFY2(child<QLabel>(w, empty)->text().isEmpty(), empty);
    for (const char *empty : { "button_help", "button_minimize", "button_close" })
        QVERIFY2(child<QPushButton>(w, empty)->text().isEmpty(), empty);

    // An empty document in the form's font.
    auto *notes = child<QTextEdit>(w, "textEdit_contect");
    QVERIFY(notes->toPlainText().isEmpty());
    QVERIFY(notes->toHtml().contains(QStringLiteral("font-family:'微软雅黑'; font-size:10pt")));
}

void tst_Widget::hoverIcons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("lit");
    QTest::newRow("help") << "button_help"
                          << ":/res/help-g.png"
                          << ":/res/help-light-g.png";
    QTest::newRow("minimize") << "button_minimize"
                              << ":/res/minimize.png"
                              << ":/res/minimize-light.png";
    QTest::newRow("close") << "button_close"
                           << ":/res/close.png"
                           << ":/res/close-light.png";
}

void tst_Widget::hoverIcons()
{
    QFETCH(QString, button);
    QFETCH(QString, rest);
    QFETCH(QString, lit);
    QVERIFY(fileImage(rest) != fileImage(lit));

    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *b = child<QPushButton>(w, qPrintable(button));
    QCOMPARE(b->iconSize(), QSize(24, 24));
    QCOMPARE(iconImage(b->icon()), fileImage(rest));

    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(b, &enter);
    QCOMPARE(iconImage(b->icon()), fileImage(lit));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(b, &leave);
    QCOMPARE(iconImage(b->icon()), fileImage(rest));
}

void tst_Widget::logoReturnsToLinkPage()
{
    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *center = child<QStackedWidget>(w, "centerStackedWidget");
    auto *help = child<QPushButton>(w, "button_help");
    auto *warning = w.findChild<WarningWidget *>();
    auto *guide = w.findChild<UpdateGuideWidget *>();

    QSignalSpy clicked(help, &QPushButton::clicked);
    for (Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton }) {
        center->setCurrentWidget(child(w, "page_updating"));
        help->setChecked(true);
        help->hide();
        warning->show();
        guide->show();

        QTest::mousePress(child(w, "label_logo"), button, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(center->currentWidget(), child(w, "page_link"));
        QVERIFY(!help->isChecked());
        QVERIFY(help->isVisible());
        QVERIFY(!warning->isVisible());
        QVERIFY(!guide->isVisible());
        QTest::mouseRelease(child(w, "label_logo"), button, Qt::NoModifier, QPoint(5, 5));
    }
    QCOMPARE(clicked.count(), 0);
}

void tst_Widget::dragging()
{
    Widget w;
    w.move(100, 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Mouse events sent to a child travel up to the window unless the child
    // takes them, as a real press would.
    auto send = [](QWidget *target, QEvent::Type type, QPoint local, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        QMouseEvent e(type, local, target->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    };
    auto drag = [&](QWidget *target, Qt::MouseButton button) {
        const QPoint start = w.pos();
        const QPoint at(10, 10);
        send(target, QEvent::MouseButtonPress, at, button, button);
        send(target, QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, button);
        send(target, QEvent::MouseButtonRelease, at + QPoint(30, 20), button, Qt::NoButton);
        // After the release, moving no longer drags.
        send(target, QEvent::MouseMove, at + QPoint(80, 80), Qt::NoButton, Qt::NoButton);
        return w.pos() - start;
    };

    QCOMPARE(drag(child(w, "label_hint"), Qt::LeftButton), QPoint(30, 20));
    QCOMPARE(drag(child(w, "page_link"), Qt::LeftButton), QPoint(30, 20));
    QCOMPARE(drag(child(w, "headWidget"), Qt::LeftButton), QPoint(30, 20));
    QCOMPARE(drag(child(w, "page_link"), Qt::RightButton), QPoint(0, 0));
    QCOMPARE(drag(child(w, "button_link"), Qt::LeftButton), QPoint(0, 0));
    QCOMPARE(drag(child(w, "label_logo"), Qt::LeftButton), QPoint(0, 0));
}

void tst_Widget::minimizeAndClose()
{
    Widget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(child(w, "button_minimize"), Qt::LeftButton);
    QTRY_VERIFY(w.windowState() & Qt::WindowMinimized);

    w.showNormal();
    QVERIFY(w.isVisible());
    QTest::mouseClick(child(w, "button_close"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(tst_Widget)

#include "tst_widget.moc"
