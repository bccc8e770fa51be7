// Pure rules of the window: the version title, the message box placement and the keyboard's stepping.
#include "shell/window/keyboard_navigation.h"
#include "shell/messages/message_dialogs.h"
#include "shell/messages/message_placement.h"
#include "shell/window/version_title.h"

#include <QKeyEvent>
#include <QTest>

using namespace torvel;

Q_DECLARE_METATYPE(torvel::ScreenRect)
Q_DECLARE_METATYPE(torvel::Step)

class ShellRulesTest : public QObject {
    Q_OBJECT
private slots:
    void titleFromVersion_data();
    void titleFromVersion();
    void placementCentresThenClampsInOrder_data();
    void placementCentresThenClampsInOrder();
    void monitorIsLargestOverlapElseNearest_data();
    void monitorIsLargestOverlapElseNearest();
    void stepSkipsStopsThatCannotTakeFocusAndWraps_data();
    void stepSkipsStopsThatCannotTakeFocusAndWraps();
    void navigationKeysIgnoreModifiers_data();
    void navigationKeysIgnoreModifiers();
    void faultTextGetsFullStopAfterLettersOnly_data();
    void faultTextGetsFullStopAfterLettersOnly();
};

void ShellRulesTest::titleFromVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("title");
    QTest::newRow("minor of two digits") << "1.13.0.0" << "Torvel Ver1.13";
    QTest::newRow("minor below ten gets a leading zero") << "1.5.2" << "Torvel Ver1.05";
    QTest::newRow("minor zero") << "1.0.0" << "Torvel Ver1.00";
    QTest::newRow("minor of three digits shown in full") << "2.123" << "Torvel Ver2.123";
    QTest::newRow("largest parts") << "65535.65535" << "Torvel Ver65535.65535";
    QTest::newRow("no minor: unknown") << "3" << "Torvel Ver65535.65535";
    QTest::newRow("empty: unknown") << "" << "Torvel Ver65535.65535";
    QTest::newRow("part beyond 16 bits: unknown") << "65536.1" << "Torvel Ver65535.65535";
    QTest::newRow("signed part: unknown") << "-1.2" << "Torvel Ver65535.65535";
    QTest::newRow("letters: unknown") << "1.x" << "Torvel Ver65535.65535";
}

void ShellRulesTest::titleFromVersion()
{
    QFETCH(QString, version);
    QFETCH(QString, title);
    QCOMPARE(windowTitleFor(versionWordFromText(version)), title);
}

void ShellRulesTest::placementCentresThenClampsInOrder_data()
{
    QTest::addColumn<ScreenRect>("owner");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<ScreenRect>("workArea");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    const ScreenRect screen{0, 0, 1920, 1040};  // 1920 x 1080 less a 40-pixel taskbar at the bottom
    // Centred: 100 + (750 - 300) / 2 = 325, 200 + (450 - 150) / 2 = 350.
    QTest::newRow("centred on the frame") << ScreenRect{100, 200, 850, 650} << 300 << 150 << screen << 325 << 350;
    // (750 - 301) / 2 = 224.5 truncates to 224; (450 - 151) / 2 = 149.5 to 149.
    QTest::newRow("odd remainder truncates") << ScreenRect{100, 200, 850, 650} << 301 << 151 << screen << 324 << 349;
    // Box wider than the window: (100 - 301) / 2 = -100.5 truncates toward zero to -100, not -101.
    QTest::newRow("negative offset truncates toward zero")
        << ScreenRect{500, 500, 600, 600} << 301 << 301 << screen << 400 << 400;
    // Window half beyond the left and top edges: centred at -300 + 175 = -125 and -200 + 125 = -75.
    QTest::newRow("pushed right and down onto the work area")
        << ScreenRect{-300, -200, 450, 250} << 400 << 200 << screen << 0 << 0;
    // Window beyond the right edge and under the taskbar: centred at 1600 + 175 = 1775 and 900 + 125 =
    // 1025; pulled back to 1920 - 400 = 1520 and 1040 - 200 = 840.
    QTest::newRow("pulled back left and up off the taskbar")
        << ScreenRect{1600, 900, 2350, 1350} << 400 << 200 << screen << 1520 << 840;
    // Taller than the work area: top clamps to 0 first, then bottom puts it at 1040 - 1100 = -60.
    QTest::newRow("taller than the work area ends on its bottom edge")
        << ScreenRect{100, 200, 850, 650} << 300 << 1100 << screen << 325 << -60;
    // Wider than the work area: left 0 first, then right gives 1920 - 2000 = -80.
    QTest::newRow("wider than the work area ends on its right edge")
        << ScreenRect{100, 200, 850, 650} << 2000 << 150 << screen << -80 << 350;
    // A second monitor to the right with a panel on top (work area 1920..3200, 30..1024); the window
    // hangs above it: centred at 3000 + 175 = 3175 and -100 + 125 = 25, clamped to 2800 and 30.
    QTest::newRow("second monitor's own work area")
        << ScreenRect{3000, -100, 3750, 350} << 400 << 200 << ScreenRect{1920, 30, 3200, 1024} << 2800 << 30;
}

void ShellRulesTest::placementCentresThenClampsInOrder()
{
    QFETCH(ScreenRect, owner);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(ScreenRect, workArea);
    QFETCH(int, left);
    QFETCH(int, top);
    const ScreenPoint at = centredMessagePosition(owner, width, height, workArea);
    QCOMPARE(at.x, left);
    QCOMPARE(at.y, top);
}

void ShellRulesTest::monitorIsLargestOverlapElseNearest_data()
{
    QTest::addColumn<ScreenRect>("window");
    QTest::addColumn<int>("monitor");
    // Primary 0..1920 x 0..1080, second to its right 1920..3200 x 0..1024.
    QTest::newRow("wholly on the primary") << ScreenRect{100, 100, 800, 500} << 0;
    QTest::newRow("wholly on the second") << ScreenRect{2000, 100, 2700, 500} << 1;
    QTest::newRow("straddling, mostly on the second") << ScreenRect{1800, 100, 2500, 500} << 1;
    QTest::newRow("straddling, mostly on the primary") << ScreenRect{1500, 100, 2000, 500} << 0;
    QTest::newRow("off every monitor, nearest is the second") << ScreenRect{3300, 100, 3600, 500} << 1;
    QTest::newRow("off every monitor, below the primary only") << ScreenRect{100, 1100, 500, 1300} << 0;
    QTest::newRow("beyond the second's shorter bottom, nearest is the second")
        << ScreenRect{2500, 1030, 2600, 1060} << 1;
}

void ShellRulesTest::monitorIsLargestOverlapElseNearest()
{
    QFETCH(ScreenRect, window);
    QFETCH(int, monitor);
    const std::vector<ScreenRect> monitors = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
    const auto held = monitorHolding(window, monitors);
    QVERIFY(held.has_value());
    QCOMPARE(static_cast<int>(*held), monitor);
    QVERIFY(!monitorHolding(window, {}).has_value());
}

void ShellRulesTest::stepSkipsStopsThatCannotTakeFocusAndWraps_data()
{
    QTest::addColumn<QString>("available");  // one character a stop: 'x' can take the focus, '.' cannot
    QTest::addColumn<int>("current");
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("expected");
    QTest::newRow("next") << "xxxx" << 1 << Step::Next << 2;
    QTest::newRow("previous") << "xxxx" << 2 << Step::Previous << 1;
    QTest::newRow("next skips hidden stops") << "xx...x" << 1 << Step::Next << 5;
    QTest::newRow("previous skips hidden stops") << "x...xx" << 4 << Step::Previous << 0;
    QTest::newRow("next wraps from the end") << "xxx" << 2 << Step::Next << 0;
    QTest::newRow("previous wraps from the start") << "xxx" << 0 << Step::Previous << 2;
    QTest::newRow("wrap skips a hidden first stop") << ".xx" << 2 << Step::Next << 1;
    QTest::newRow("only stop stays") << "..x.." << 2 << Step::Next << 2;
    QTest::newRow("from a stop that cannot take the focus") << "x.x" << 1 << Step::Next << 2;
    QTest::newRow("from outside the list, next is the first") << "xxx" << -1 << Step::Next << 0;
    QTest::newRow("from outside the list, previous is the last") << "xxx" << -1 << Step::Previous << 2;
    QTest::newRow("nothing can take the focus") << "..." << -1 << Step::Next << -1;
}

void ShellRulesTest::stepSkipsStopsThatCannotTakeFocusAndWraps()
{
    QFETCH(QString, available);
    QFETCH(int, current);
    QFETCH(Step, step);
    QFETCH(int, expected);
    std::vector<bool> stops;
    for (QChar c : available)
        stops.push_back(c == u'x');
    QCOMPARE(steppedIndex(stops, current, step), expected);
}

void ShellRulesTest::navigationKeysIgnoreModifiers_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("navigates");
    QTest::addColumn<Step>("step");
    QTest::newRow("Enter") << int(Qt::Key_Return) << true << Step::Next;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true << Step::Next;
    QTest::newRow("Down") << int(Qt::Key_Down) << true << Step::Next;
    QTest::newRow("Up") << int(Qt::Key_Up) << true << Step::Previous;
    QTest::newRow("Tab is the platform's") << int(Qt::Key_Tab) << false << Step::Next;
    QTest::newRow("Left moves the caret") << int(Qt::Key_Left) << false << Step::Next;
    QTest::newRow("a digit is typed") << int(Qt::Key_5) << false << Step::Next;
}

void ShellRulesTest::navigationKeysIgnoreModifiers()
{
    QFETCH(int, key);
    QFETCH(bool, navigates);
    QFETCH(Step, step);
    const std::optional<Step> got = navigationStepForKey(key);
    QCOMPARE(got.has_value(), navigates);
    if (navigates)
        QCOMPARE(*got, step);
}

void ShellRulesTest::faultTextGetsFullStopAfterLettersOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Floating point division by zero" << "Floating point division by zero.";
    QTest::newRow("already a full stop") << "Floating point overflow." << "Floating point overflow.";
    QTest::newRow("closing parenthesis is below the full stop") << "Overflow (A1)" << "Overflow (A1)";
    QTest::newRow("digit is above the full stop") << "Error 42" << "Error 42.";
    QTest::newRow("Japanese full stop is above it too") << "エラー。" << "エラー。.";
    QTest::newRow("empty") << "" << "";
}

void ShellRulesTest::faultTextGetsFullStopAfterLettersOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(withFullStop(text), shown);
}

QTEST_GUILESS_MAIN(ShellRulesTest)
#include "shell_rules_test.moc"
