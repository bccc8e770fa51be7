// The menu bar's tools on the real window: the response window agrees with the peak-level labels, charts
// save as PNG and SVG, design files and exports go through the file seam, the realised values show
// after a synthesis, and the controls below the menu bar keep their places.
#include "design/design_file.h"
#include "design/model_session.h"
#include "design/spice_netlist.h"
#include "shell/tools/design_file_messages.h"
#include "shell/tools/design_tools.h"
#include "shell/window/form_definition.h"
#include "shell/window/labeled_edit.h"
#include "shell/tools/response_window.h"
#include "window_fixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QScopeGuard>
#include <QComboBox>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace torvel;
using namespace torvel::test;

class DesignToolsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Recorder m_recorder;
    std::unique_ptr<TFormMain> m_form;
    ModalGuard m_guard;
    QString m_nextPath;

    void design(FilterType type, const char* H, const char* fo, const char* Q, const char* fn = "")
    {
        m_form->controls().radio(type)->setChecked(true);
        for (auto [field, text] : {std::pair{Field::H, H}, {Field::Fo, fo}, {Field::Q, Q}, {Field::Fn, fn}})
            m_form->setFieldText(field, text);
    }
    // What the test folder holds, hidden files included: a temporary file left behind shows here.
    QStringList folderNames() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                             QDir::Name);
    }
    QString pathIn(const QString& name) const { return name.startsWith(u'/') ? name : m_dir->filePath(name); }
    QAction* action(const QString& text) const
    {
        for (QAction* a : m_form->tools().menuBar()->findChildren<QAction*>())
            if (a->text().startsWith(text))
                return a;
        return nullptr;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_recorder = {};
        m_form = openWindow(m_dir->filePath(QStringLiteral("torvel.ini")), m_recorder);
        m_form->tools().setPathChooser([this](const QString&, const QString&, bool) { return m_nextPath; });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        QCOMPARE(m_guard.takeClosed(), QStringList());
    }

    void menuBarLiesAboveTheClientArea()
    {
        QMenuBar* menu = m_form->tools().menuBar();
        QCOMPARE(menu->geometry().top(), 0);
        QCOMPARE(menu->height(), m_form->menuBarHeight());
        for (QWidget* child : m_form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != menu && child != m_form->tools().realisedLabel() && !child->isWindow())
                QVERIFY2(child->geometry().top() >= menu->height(), qPrintable(child->objectName()));
        for (const char* text : {"設計を開く", "設計を保存", "SPICE", "部品表", "印刷", "終了", "周波数特性"})
            QVERIFY2(action(QString::fromUtf8(text)) && !action(QString::fromUtf8(text))->shortcut().isEmpty(), text);
    }

    void synthesisShowsRealisedValues()
    {
        design(FilterType::TzfLow, "1", "1000", "2", "2000");
        m_form->ButtonCirClick();
        const QString text = m_form->tools().realisedLabel()->text();
        // fo 985.082 (-1.49 %), Q 2.04252 (+2.13 %), fn 2002.73 (+0.14 %); H misses by less than 0.005 %
        // below, which shows as an unsigned zero.
        QVERIFY2(text.contains(QStringLiteral("H 0.00%")) && text.contains(QStringLiteral("fo -1.49%"))
                     && text.contains(QStringLiteral("Q 2.13%")) && text.contains(QStringLiteral("fn 0.14%")),
                 qPrintable(text));
    }

    void responseWindowAgreesWithThePeakLabels()
    {
        design(FilterType::Hpf, "1", "1000", "2");
        m_form->ButtonCirClick();
        m_form->ButtonTFClick();
        m_form->tools().openResponseWindow();
        ResponseWindow* window = m_form->tools().responseWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->peaks().size(), std::size_t(4));
        for (int k = 0; k < 4; ++k) {
            // "A2:6.30dB(935.42Hz)": the level in the label, to its two decimals.
            const QString label = QString::fromStdString(m_form->labelText(static_cast<Label>(k)));
            const double level = label.mid(3, label.indexOf(QStringLiteral("dB")) - 3).toDouble();
            QVERIFY2(std::abs(window->peaks()[static_cast<std::size_t>(k)].levelDb - level) <= 0.006, qPrintable(label));
        }
        QVERIFY(window->magnitudeChart()->series().size() == 5);  // four outputs and the peak marks

        // A real op-amp of 100 kHz GBW raises the loop's Q: the A1 peak rises.
        const double ideal = window->peaks()[0].levelDb;
        window->gainBandwidthField()->setText(QStringLiteral("100k"));
        window->recompute();
        QVERIFY(window->peaks()[0].levelDb > ideal + 0.1);

        for (const char* name : {"chart.png", "chart.svg"}) {
            const QString path = m_dir->filePath(QString::fromLatin1(name));
            QVERIFY(window->saveChart(path));
            QVERIFY(QFile(path).size() > 1000);
        }
        QVERIFY(QFile(m_dir->filePath("chart.svg")).open(QIODevice::ReadOnly));
    }

    void unreadableComponentReportsAndOpensNothing()
    {
        m_form->tools().openResponseWindow();  // every component field is empty
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].text, QStringLiteral("\r\n C1: 数値入力エラー"));
        QVERIFY(!m_form->tools().responseWindow());
    }

    void designFileRoundTripAndRefusal()
    {
        design(FilterType::Notch, "1", "1000", "2");
        m_form->setComboText(Combo::EvalE1, "∞");
        m_nextPath = m_dir->filePath("design.json");
        m_form->tools().saveDesignAs();
        QVERIFY(QFile::exists(m_nextPath));

        m_form->controls().radio(FilterType::Lpf)->setChecked(true);
        m_form->setFieldText(Field::H, "changed");
        m_form->setComboText(Combo::EvalE1, "24");
        m_form->tools().openDesign();
        QVERIFY(m_form->radioChecked(FilterType::Notch));
        QCOMPARE(m_form->designer().workingType(), WorkingType::Tzf);
        QCOMPARE(m_form->fieldText(Field::H), std::string("1"));
        QCOMPARE(m_form->comboText(Combo::EvalE1), std::string("∞"));

        QFile broken(m_dir->filePath("broken.json"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"format\": \"something else\"}");
        broken.close();
        m_nextPath = broken.fileName();
        m_form->tools().openDesign();
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].kind, MessageKind::Error);
        QVERIFY(m_form->radioChecked(FilterType::Notch));  // nothing changed
    }

    void failedSaveIsShownAndTheWindowKeepsItsState_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << "folder" << "Is a directory";
        QTest::newRow("missing folder") << "missing/design.json" << "No such file or directory";
        QTest::newRow("device that is always full") << "/dev/full" << "not a regular file";
        QTest::newRow("FIFO: refused, not waited on") << "fifo" << "not a regular file";
        QTest::newRow("loop of links") << "loop" << "Too many levels of symbolic links";
    }

    void failedSaveIsShownAndTheWindowKeepsItsState()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
        QCOMPARE(::mkfifo(QFile::encodeName(pathIn("fifo")).constData(), 0600), 0);
        QVERIFY(QFile::link(pathIn("loop2"), pathIn("loop")) && QFile::link(pathIn("loop"), pathIn("loop2")));
        const QStringList before = folderNames();
        design(FilterType::Notch, "1", "1000", "2");

        ::alarm(20);  // a save that waited on the FIFO would end the test program rather than hang it
        m_nextPath = pathIn(target);
        m_form->tools().saveDesignAs();
        ::alarm(0);
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(m_recorder.messages[0].text, m_nextPath + QStringLiteral(": 書き込めません (") + reason + ")");
        QVERIFY(m_form->radioChecked(FilterType::Notch));
        QCOMPARE(m_form->fieldText(Field::Q), std::string("2"));
        QCOMPARE(folderNames(), before);
        struct stat fifo {};
        QVERIFY(::lstat(QFile::encodeName(pathIn("fifo")).constData(), &fifo) == 0 && S_ISFIFO(fifo.st_mode));
        QVERIFY(QFileInfo(pathIn("loop")).isSymLink());
    }

    void saveCutByAFileSizeLimitKeepsTheOldDesign()
    {
        design(FilterType::Notch, "1", "1000", "2");
        m_nextPath = m_dir->filePath("design.json");
        m_form->tools().saveDesignAs();
        QFile saved(m_nextPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray old = saved.readAll();
        saved.close();

        // A file size limit fails the write as a full disk would; the program ignores its signal.
        design(FilterType::TzfLow, "2", "500", "1", "1000");
        struct rlimit previous {};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit none = previous;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
        m_form->tools().saveDesignAs();
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].text, m_nextPath + QStringLiteral(": 書き込めません (File too large)"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), old);
        QCOMPARE(folderNames(), (QStringList{QStringLiteral("design.json"), QStringLiteral("torvel.ini")}));
        QVERIFY(m_form->radioChecked(FilterType::TzfLow));
    }

    void openRefusesWhatIsNotADesignFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO without a writer") << "fifo" << "通常のファイルではありません (フォルダ、デバイス、FIFO など)。";
        QTest::newRow("endless device") << "/dev/zero" << "通常のファイルではありません (フォルダ、デバイス、FIFO など)。";
        QTest::newRow("folder") << "folder" << "通常のファイルではありません (フォルダ、デバイス、FIFO など)。";
        QTest::newRow("2 MB file") << "big.json" << "設計ファイルとしては大きすぎます (1 MB を超えています)。";
        QTest::newRow("a design, a NUL byte and garbage") << "nul.json" << "設計ファイルではありません (NUL バイトを含んでいます)。";
    }

    void openRefusesWhatIsNotADesignFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
        QCOMPARE(::mkfifo(QFile::encodeName(pathIn("fifo")).constData(), 0600), 0);
        design(FilterType::Bpf, "1", "1000", "2");
        m_nextPath = pathIn("nul.json");
        m_form->tools().saveDesignAs();
        QFile nul(m_nextPath);
        QVERIFY(nul.open(QIODevice::Append));
        nul.write(QByteArray("\0{garbage", 9));
        nul.close();
        QFile big(pathIn("big.json"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(2 * 1024 * 1024, ' '));
        big.close();

        design(FilterType::Hpf, "3", "300", "3");
        ::alarm(20);  // an open that waited on the FIFO would end the test program rather than hang it
        m_nextPath = pathIn(file);
        m_form->tools().openDesign();
        ::alarm(0);
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(m_recorder.messages[0].text, designFileRefusedMessage(m_nextPath, reason));
        QVERIFY(m_form->radioChecked(FilterType::Hpf));  // nothing changed
        QCOMPARE(m_form->fieldText(Field::H), std::string("3"));
    }

    void exportsWriteNetlistAndPartsList()
    {
        design(FilterType::TzfHigh, "1", "1000", "2", "500");
        m_form->ButtonCirClick();
        m_nextPath = m_dir->filePath("filter.cir");
        m_form->tools().exportNetlist();
        QFile netlist(m_nextPath);
        QVERIFY(netlist.open(QIODevice::ReadOnly));
        const QByteArray text = netlist.readAll();
        QVERIFY(text.startsWith("* Torvel: TZF (Wn<Wo)"));
        QVERIFY(text.contains("R8 v3 n4 6200"));
        QVERIFY(text.contains(".subckt OPAMP"));

        m_nextPath = m_dir->filePath("parts.csv");
        m_form->tools().exportBillOfMaterials();
        QFile parts(m_nextPath);
        QVERIFY(parts.open(QIODevice::ReadOnly));
        QVERIFY(parts.readAll().contains("R8,6.2000k,E24,"));
    }
    // The menu bar, its menus and the series combos' drop-down lists use the window's gothic font, as
    // every other control does, also on a desktop whose theme gives menus and lists fonts of their own.
    void oneFontFamilyInTheWindow()
    {
        const QFont themed(QStringLiteral("DejaVu Serif"), 15);
        for (const char* kind : {"QMenuBar", "QMenu", "QComboMenuItem", "QAbstractItemView", "QListView"})
            QApplication::setFont(themed, kind);
        const auto restore = qScopeGuard([] {
            for (const char* kind : {"QMenuBar", "QMenu", "QComboMenuItem", "QAbstractItemView", "QListView"})
                QApplication::setFont(QApplication::font(), kind);
        });
        m_form = openWindow(m_dir->filePath(QStringLiteral("themed.ini")), m_recorder);
        const QFontInfo window(m_form->font());
        QList<QWidget*> parts{m_form->tools().menuBar()};
        for (QMenu* menu : m_form->tools().menuBar()->findChildren<QMenu*>())
            parts << menu;
        for (QComboBox* combo : {m_form->controls().ComboBoxEvalE1, m_form->controls().ComboBoxEvalE2})
            parts << combo->view();
        for (QWidget* part : parts) {
            const QFontInfo used(part->font());
            QVERIFY2(used.family() == window.family() && used.pixelSize() == window.pixelSize(),
                     qPrintable(QString("%1: %2 %3px").arg(part->metaObject()->className(), used.family()).arg(used.pixelSize())));
        }
    }

    // After a synthesis the whole text of the realised values shows at the right end of the menu bar,
    // and a screen reader finds it among the window's parts.
    void realisedValuesLabelShowsItsWholeText()
    {
        design(FilterType::TzfLow, "1", "1000", "2", "2000");
        m_form->ButtonCirClick();
        QLabel* label = m_form->tools().realisedLabel();
        QTRY_VERIFY(label->isVisible());
        const QRect shown = label->contentsRect();
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(shown.width() >= needed, qPrintable(QString("%1 px shown of %2 px").arg(shown.width()).arg(needed)));
        const QRect inWindow(label->mapTo(m_form.get(), QPoint(0, 0)), label->size());
        QVERIFY(QRect(QPoint(0, 0), m_form->size()).contains(inWindow));
        QMenuBar* menu = m_form->tools().menuBar();
        for (QAction* action : menu->actions())
            QVERIFY2(!QRect(menu->mapTo(m_form.get(), menu->actionGeometry(action).topLeft()), menu->actionGeometry(action).size())
                          .intersects(inWindow),
                     qPrintable(action->text()));

        // Reachable by walking the accessibility tree from the window.
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(m_form.get());
        std::function<bool(QAccessibleInterface*)> reaches = [&](QAccessibleInterface* node) {
            if (!node)
                return false;
            if (node->object() == label)
                return node->text(QAccessible::Name).contains(QStringLiteral("fo -1.49%"));
            for (int i = 0; i < node->childCount(); ++i)
                if (reaches(node->child(i)))
                    return true;
            return false;
        };
        QVERIFY(reaches(root));
    }
    // Every refusal of a broken design file: torvel-cli's English reason is what it always was, and the
    // window says it in Japanese, naming the file; nothing of the panel changes.
    void brokenDesignFileRefusedInJapanese_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("japanese");
        const QByteArray good = [] {
            ModelSession session;
            return QByteArray::fromStdString(saveDesign(session.panel));
        }();
        auto without = [&](const char* from, const char* what) {
            QByteArray json = good;
            const qsizetype at = json.indexOf(what, json.indexOf(from));
            return json.remove(at, json.indexOf('\n', at) - at + 1).replace(",\n  }", "\n  }");
        };
        QTest::newRow("not JSON") << QByteArray("{\"format\": ") << "not a design file (no JSON object)"
                                  << "設計ファイルではありません (JSON のオブジェクトがありません)。";
        QTest::newRow("another program's file")
            << QByteArray("{\"format\": \"something else\"}")
            << "not a design file of this program (format is not \"torvel-design\")"
            << "このプログラムの設計ファイルではありません (format が \"torvel-design\" ではありません)。";
        QTest::newRow("newer version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2")
                                       << "design file version not supported (this program reads version 1)"
                                       << "この版の設計ファイルは読めません (読めるのは version 1 です)。";
        QTest::newRow("unknown type") << QByteArray(good).replace("\"LPF\"", "\"LPX\"") << "design file names no known filter type"
                                      << "設計ファイルのフィルタ形式が分かりません。";
        QTest::newRow("no fields") << QByteArray(good).replace("\"fields\"", "\"fieldz\"") << "design file has no fields"
                                   << "設計ファイルに素子値と伝達関数の値 (fields) がありません。";
        QTest::newRow("a field missing") << without("\"fields\"", "\"R3\"") << "design file lacks the text of field R3"
                                         << "設計ファイルに R3 の値がありません。";
        QTest::newRow("a series missing") << QByteArray(good).replace("\"E2\"", "\"E3\"") << "design file lacks the series E2"
                                          << "設計ファイルにコンデンサのＥ系列 (E2)がありません。";
    }

    void brokenDesignFileRefusedInJapanese()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, english);
        QFETCH(QString, japanese);
        ModelSession session;
        const std::optional<std::string> cliReason = loadDesign(session.panel, json.toStdString());
        QCOMPARE(QString::fromStdString(cliReason.value_or("")), english);

        QFile file(m_dir->filePath("broken.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(json);
        file.close();
        m_form->setFieldText(Field::H, "kept");
        m_nextPath = file.fileName();
        m_form->tools().openDesign();
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(m_recorder.messages[0].text, QStringLiteral("設計を開けません。\n%1\n%2").arg(file.fileName(), japanese));
        QCOMPARE(m_form->fieldText(Field::H), std::string("kept"));
    }

    void unreadableDesignFileRefusedInJapanese()
    {
        m_nextPath = m_dir->filePath(QStringLiteral("missing.json"));
        m_form->tools().openDesign();
        QCOMPARE(m_recorder.messages.size(), std::size_t(1));
        QCOMPARE(m_recorder.messages[0].text, QStringLiteral("設計を開けません。\n%1\nファイルがありません。").arg(m_nextPath));
    }
};

QTEST_MAIN(DesignToolsTest)
#include "design_tools_test.moc"
