// Message boxes under a real window manager, which frames every window after the program has placed it:
// the box's outer rectangle (title bar and border included) must be centred on the main window's outer
// rectangle and clamped into the work area, whatever the frame adds. Where the frames lie is asked of
// the X server (xwininfo), not of Qt, whose idea of a frame is what is under test.
#include "shell/messages/message_dialogs.h"
#include "window_fixture.h"

#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

using namespace torvel;
using namespace torvel::test;

namespace {

ScreenRect toScreenRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

QString xwininfo(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xwininfo"), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int field(const QString& report, const QString& name)
{
    const QRegularExpressionMatch match = QRegularExpression(name + QStringLiteral(":\\s+(-?\\d+)")).match(report);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The outer rectangle of a top-level window as the X server has it: the window manager's frame window
// that the client window was put into, or the window itself when nothing framed it.
QRect outerRectangle(const QWidget& window)
{
    const QString id = QString::number(window.winId());
    const QRegularExpressionMatch parent =
        QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)")).match(xwininfo({"-children", "-id", id}));
    const QRegularExpressionMatch root = QRegularExpression(QStringLiteral("Root window id: (0x[0-9a-f]+)")).match(xwininfo({"-children", "-id", id}));
    const QString frame = parent.hasMatch() && parent.captured(1) != root.captured(1) ? parent.captured(1) : id;
    const QString report = xwininfo({"-id", frame});
    return {field(report, "Absolute upper-left X"), field(report, "Absolute upper-left Y"), field(report, "Width"),
            field(report, "Height")};
}

// Framed: the frame window is larger than the client window.
bool framed(const QWidget& window) { return outerRectangle(window).height() > window.height(); }

// Shows the window with its frame's corner at `topLeft` and waits until the window manager has framed
// it and the frame lies there.
bool showFramedAt(QWidget& window, QPoint topLeft)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitFor([&] { return framed(window); }, 5000))
        return false;
    // The client area is placed, which means the same to Qt whether it knows the frame or not.
    const QRect outer = outerRectangle(window);
    window.setGeometry(QRect(window.geometry().topLeft() + topLeft - outer.topLeft(), window.size()));
    return QTest::qWaitFor([&] { return outerRectangle(window).topLeft() == topLeft; }, 5000);
}

// Shows a warning over `owner` through the program's routine and returns the outer rectangle of the box
// once the window manager has framed it and it has stayed put for a moment.
// Shows the box and measures its frame once it is where `arrived` says it belongs and has stayed there
// for three polls, or, failing that, where it stands after ten seconds. A loaded machine may take a while
// to frame the box and move it once more; the verdict waits for that rather than for a fixed time.
QRect showAndMeasure(QWidget* owner, const QString& text, const std::function<bool(const QRect&)>& arrived)
{
    QRect seen;
    QObject inspection;
    auto* poll = new QTimer(&inspection);
    QRect last;
    int still = 0;
    int ticks = 0;
    QObject::connect(poll, &QTimer::timeout, &inspection, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        const QRect now = framed(*box) ? outerRectangle(*box) : QRect();
        still = now.isValid() && now == last && arrived(now) ? still + 1 : 0;
        last = now;
        if (still < 3 && ++ticks < 200)
            return;
        poll->stop();
        seen = now;
        box->close();
    });
    poll->start(50);
    CenteredMessage(text, MessageKind::Warning, MessageButtons::Ok, 0, owner);
    return seen;
}

bool centredOn(const QRect& box, const QRect& owner)
{
    const QPointF offset = QRectF(box).center() - QRectF(owner).center();
    return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
}

}  // namespace

class MessageFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void boxFrameCentredOnTheMainWindowFrame();
    void boxFrameCentredWhenFramedUnlikeItsOwner();
    void boxFrameClampedAtEachEdge_data();
    void boxFrameClampedAtEachEdge();
};

void MessageFrameTest::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Torvel"));
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server with a window manager (run through with_window_manager.sh)");
}

void MessageFrameTest::boxFrameCentredOnTheMainWindowFrame()
{
    QTemporaryDir dir;
    Recorder recorder;
    std::unique_ptr<TFormMain> form = openWindow(dir.filePath(QStringLiteral("torvel.ini")), recorder);
    QVERIFY(showFramedAt(*form, QPoint(150, 120)));
    const QRect owner = outerRectangle(*form);
    const QRect box = showAndMeasure(form.get(), QStringLiteral("R7/R9 の比が不適切です。"),
                                     [&](const QRect& frame) { return centredOn(frame, owner); });
    QVERIFY2(box.isValid(), "the box was never framed");
    // Centres in half pixels: the placement halves with truncation, so they may differ by half a pixel.
    const QPointF offset = QRectF(box).center() - QRectF(owner).center();
    qInfo("centred: box frame %d,%d %dx%d on a window frame %d,%d %dx%d; centre offset %.1f, %.1f px", box.x(), box.y(),
          box.width(), box.height(), owner.x(), owner.y(), owner.width(), owner.height(), offset.x(), offset.y());
    QVERIFY(std::abs(offset.x()) <= 1);
    QVERIFY(std::abs(offset.y()) <= 1);
}

// An owner without a frame gives the box no frame to assume: the box moves once the window manager has
// framed it.
void MessageFrameTest::boxFrameCentredWhenFramedUnlikeItsOwner()
{
    QWidget owner(nullptr, Qt::Window | Qt::FramelessWindowHint);
    owner.setFixedSize(400, 300);
    owner.setGeometry(300, 250, 400, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QTRY_COMPARE(outerRectangle(owner), QRect(300, 250, 400, 300));
    const QRect box = showAndMeasure(&owner, QStringLiteral("R7/R9 の比が不適切です。"),
                                     [&](const QRect& frame) { return centredOn(frame, outerRectangle(owner)); });
    QVERIFY2(box.isValid(), "the box was never framed");
    const QPointF offset = QRectF(box).center() - QRectF(outerRectangle(owner)).center();
    qInfo("centred on a frameless owner: centre offset %.1f, %.1f px", offset.x(), offset.y());
    QVERIFY(std::abs(offset.x()) <= 1);
    QVERIFY(std::abs(offset.y()) <= 1);
}

void MessageFrameTest::boxFrameClampedAtEachEdge_data()
{
    // A small owner in a corner of the screen: the box centred on it would reach beyond two edges.
    QTest::addColumn<bool>("topLeft");
    QTest::newRow("top and left edges") << true;
    QTest::newRow("bottom and right edges") << false;
}

void MessageFrameTest::boxFrameClampedAtEachEdge()
{
    QFETCH(bool, topLeft);
    QWidget owner(nullptr, Qt::Window);
    owner.setWindowTitle(QStringLiteral("owner"));
    owner.setFixedSize(120, 60);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(showFramedAt(owner, area.topLeft() + QPoint(200, 200)));
    const QSize outer = outerRectangle(owner).size();
    QVERIFY(showFramedAt(owner, topLeft ? area.topLeft() : area.bottomRight() + QPoint(1, 1) - QPoint(outer.width(), outer.height())));

    const QRect box = showAndMeasure(&owner, QStringLiteral("R8/R9 の比が不適切です。 A box wider and taller than its owner."),
                                     [&](const QRect& frame) {
                                         return topLeft ? frame.topLeft() == area.topLeft()
                                                        : frame.bottomRight() == area.bottomRight();
                                     });
    QVERIFY2(box.isValid(), "the box was never framed");
    // Unclamped, the box would begin beyond the edges.
    const QRect ownerRect = outerRectangle(owner);
    const ScreenRect everywhere{-100000, -100000, 100000, 100000};
    const ScreenPoint centred = centredMessagePosition(toScreenRect(ownerRect), box.width(), box.height(), everywhere);
    if (topLeft) {
        QVERIFY(centred.x < area.left() && centred.y < area.top());
        qInfo("clamped top-left: box frame at %d,%d, work area from %d,%d; centred it would be at %d,%d", box.left(),
              box.top(), area.left(), area.top(), centred.x, centred.y);
        QCOMPARE(box.topLeft(), area.topLeft());
    } else {
        QVERIFY(centred.x + box.width() > area.right() + 1 && centred.y + box.height() > area.bottom() + 1);
        qInfo("clamped bottom-right: box frame ends at %d,%d, work area to %d,%d; centred it would end at %d,%d",
              box.right() + 1, box.bottom() + 1, area.right() + 1, area.bottom() + 1, centred.x + box.width(),
              centred.y + box.height());
        QCOMPARE(box.bottomRight(), area.bottomRight());
    }
}

QTEST_MAIN(MessageFrameTest)
#include "message_frame_test.moc"
