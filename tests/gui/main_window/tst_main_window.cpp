#include "main_window_fixture.h"

using namespace corvane;
using namespace corvane::test;

class TestMainWindow final : public MainWindowFixture {
    Q_OBJECT

private slots:
    void accessibleNamesAndRoles_data();
    void accessibleNamesAndRoles();
    void layout_data();
    void layout();
    void designerTexts();
    void windowFrameAndColours();
    void tabOrderAndNoDefaultButton();
    void menuBar();
    void toolsFromConfig_data();
    void toolsFromConfig();
    void toolsClickSwitchesWithoutWriting();
    void menuCommandsOpenTheirWindows_data();
    void menuCommandsOpenTheirWindows();
    void exitWritesCurrentTool_data();
    void exitWritesCurrentTool();
    void closeBoxDoesNotWrite();
    void endDuringBatch_data();
    void endDuringBatch();
    void secondInstanceInProcess();

    void addAllTwiceKeepsDuplicates();
    void addSelected_data();
    void addSelected();
    void doubleClickInFileList();
    void removeSelected_data();
    void removeSelected();
    void doubleClickInJobList();
    void removeAll();
    void scrollExtentFollowsWidestEntry();
    void patternEnterAppendsEveryTime();
    void typedPatternAppliesOnFolderChange();
    void pickingPatternFromList();
    void equalsLeavesDestinationDrive();
    void invalidDrive_data();
    void invalidDrive();
    void driveChangeShowsDrive();

    void keyboardActsOnFocusedControlOnly();
    void readableUnderDarkThemeAndLargeFont_data();
    void readableUnderDarkThemeAndLargeFont();
};

void TestMainWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const char *name, int left, int top, int width, int height) {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, height);
    };
    row("List2", 8040, 1320, 1095, 1680);
    row("Command7", 3600, 1680, 855, 375);
    row("Command6", 3600, 5280, 855, 375);
    row("Command5", 3600, 3840, 855, 375);
    row("Combo1", 120, 5760, 3375, 300);
    row("ProgressBar1", 120, 6120, 7815, 255);
    row("Command4", 8160, 5280, 855, 375);
    row("Command3", 8160, 4800, 855, 375);
    row("Drive2", 4560, 360, 3375, 300);
    row("Dir2", 4560, 720, 3375, 2400);
    row("List1", 4560, 3120, 3375, 2940);
    row("Command2", 3600, 4800, 855, 375);
    row("Command1", 3600, 4320, 855, 375);
    row("Dir1", 120, 720, 3375, 2400);
    row("File1", 120, 3120, 3375, 2610);
    row("Drive1", 120, 360, 3375, 300);
    row("Label3", 8040, 6240, 615, 495);
    row("Label2", 4560, 120, 2775, 375);
    row("Label1", 120, 120, 2775, 255);
}

void TestMainWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QVERIFY(loadAndShow());

    const QWidget *client = m_form->centralWidget();
    QCOMPARE(client->size(), QSize(9240 / 15, 6450 / 15));
    QCOMPARE(client->y(), m_form->menuBar()->height());
    auto *widget = m_form->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), client);
    const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(widget->geometry(), pixels);
    QCOMPARE(widget->isVisible(), name != QLatin1String("List2"));
}

void TestMainWindow::designerTexts()
{
    QVERIFY(load());
    const QList<QPair<const char *, QString>> buttons = {
        {"Command1", QStringLiteral("->")},   {"Command2", QStringLiteral("<-")},
        {"Command3", QStringLiteral("处理")}, {"Command4", QStringLiteral("退出")},
        {"Command5", QStringLiteral(">>")},   {"Command6", QStringLiteral("<<")},
        {"Command7", QStringLiteral("=")}};
    for (const auto &[name, text] : buttons)
        QCOMPARE(control<QPushButton>(name)->text(), text);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("源文件路径"));
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("文件存储路径"));
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral("..."));

    auto *combo = control<QComboBox>("Combo1");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->currentText(), QStringLiteral("*.*"));
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    QCOMPARE(items, strings({"*.bmp", "*.wav", "*.bin", "*.*"}));

    auto *timer = control<QTimer>("Timer1");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isActive());

    QCOMPARE(control<QListView>("List1")->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(control<QListView>("File1")->selectionMode(), QAbstractItemView::ExtendedSelection);
}

void TestMainWindow::windowFrameAndColours()
{
    m_form = std::make_unique<MainWindow>(m_folders->desktop, m_folders->settings, m_folders->tool);
    auto *bar = control<QProgressBar>("ProgressBar1");
    QVERIFY(bar->palette().color(QPalette::Base) != kGrey);
    m_instance = std::make_unique<SingleInstance>(m_folders->path(QStringLiteral("lock")));
    QVERIFY(m_form->loadOnStartup(*m_instance));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));

    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    const Qt::WindowFlags flags = m_form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    const QList<QSize> sizes = m_form->windowIcon().availableSizes();
    for (int size : {16, 32, 48})
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));

    // What the user sees: the window's grey around the controls, behind the
    // labels and in the empty progress bar.
    const QImage form = m_form->centralWidget()->grab().toImage();
    QCOMPARE(QColor(form.pixel(3, 3)), kGrey);
    QCOMPARE(QColor(form.pixel(8040 / 15 + 30, 6240 / 15 + 10)), kGrey); // right of "..."
    QCOMPARE(QColor(form.pixel(120 / 15 + 150, 120 / 15 + 14)), kGrey);  // after "源文件路径"
    bar->setRange(0, 10);
    bar->setValue(0);
    const QImage empty = bar->grab().toImage();
    QCOMPARE(QColor(empty.pixel(empty.width() / 2, empty.height() / 2)), kGrey);
    for (const char *name : {"Label1", "Label2", "Label3"}) {
        QVERIFY(!control<QLabel>(name)->autoFillBackground());
        QCOMPARE(control<QLabel>(name)->palette().color(QPalette::Window), kGrey);
    }
}

void TestMainWindow::tabOrderAndNoDefaultButton()
{
    QVERIFY(load());
    const QStringList expected =
        strings({"Drive1", "File1", "Dir1", "Command1", "Command2", "List1", "Dir2", "Drive2",
                 "Command3", "Command4", "Combo1", "Command5", "Command6", "Command7"});
    QStringList order;
    QWidget *start = control<QWidget>("Drive1");
    QWidget *widget = start;
    do {
        if (expected.contains(widget->objectName()) && !order.contains(widget->objectName()))
            order.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != start);
    QCOMPARE(order, expected);

    for (QPushButton *button : m_form->findChildren<QPushButton *>()) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    for (const char *name : {"Label1", "Label2", "Label3", "ProgressBar1"})
        QCOMPARE(control<QWidget>(name)->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::menuBar()
{
    QVERIFY(load());
    const QList<QAction *> top = m_form->menuBar()->actions();
    QCOMPARE(top.size(), 4);
    auto *file = control<QMenu>("MenuFile");
    auto *tools = control<QMenu>("MenuTools");
    auto *help = control<QMenu>("MenuHelp");
    auto *option = control<QAction>("MenuOption");
    QCOMPARE(top.at(0), file->menuAction());
    QCOMPARE(top.at(1), tools->menuAction());
    QCOMPARE(top.at(2), option);
    QCOMPARE(top.at(3), help->menuAction());
    QCOMPARE(file->title(), QStringLiteral("文件(&F)"));
    QCOMPARE(tools->title(), QStringLiteral("工具(&T)"));
    QCOMPARE(option->text(), QStringLiteral("选项"));
    QVERIFY(!option->menu());
    QCOMPARE(help->title(), QStringLiteral("帮助(&H)"));

    QCOMPARE(file->actions(), QList<QAction *>({control<QAction>("FileEnd")}));
    QCOMPARE(control<QAction>("FileEnd")->text(), QStringLiteral("结束"));
    QCOMPARE(help->actions(),
             QList<QAction *>({control<QAction>("HelpTopic"), control<QAction>("HelpAbout")}));
    QCOMPARE(control<QAction>("HelpTopic")->text(), QStringLiteral("主题"));
    QCOMPARE(control<QAction>("HelpAbout")->text(), QStringLiteral("关于"));
    QCOMPARE(tools->actions().size(), 8);
    for (int i = 0; i < 8; ++i) {
        QAction *tool = tools->actions().at(i);
        QCOMPARE(tool->objectName(), QStringLiteral("Tools_%1").arg(i));
        QCOMPARE(tool->text(), QStringLiteral("工具%1").arg(i + 1));
    }
    QList<QAction *> all = top;
    all << file->actions() << tools->actions() << help->actions();
    for (QAction *action : all) {
        QVERIFY(action->shortcut().isEmpty());
        // Only the tools carry a mark: the active one's.
        QCOMPARE(action->isCheckable(), tools->actions().contains(action));
        QVERIFY(action->isEnabled());
        QVERIFY(action->isVisible());
    }
}

void TestMainWindow::toolsFromConfig_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("currentTool");

    QStringList designed;
    for (int i = 1; i <= 8; ++i)
        designed << QStringLiteral("工具%1").arg(i);
    QStringList convert = designed;
    convert[2] = QStringLiteral("Convert");

    QTest::newRow("name in tool 2 only, CurrentTool 9")
        << QByteArray("[IntegerSection]\nCurrentTool=9\n[StringSection]\nText1(2)=Convert\n")
        << QStringLiteral("Corvane:  -  ") << convert << 9;
    QTest::newRow("tool 2 active")
        << QByteArray("[IntegerSection]\nCurrentTool=2\n[StringSection]\nText1(2)=Convert\n")
        << QStringLiteral("Corvane:  -  Convert") << convert << 2;
    QStringList all = designed;
    all[0] = QStringLiteral("转换");
    all[7] = QStringLiteral("Pack & Go");
    QTest::newRow("first and last named, in UTF-8")
        << QByteArray("[StringSection]\r\nText1(0)=转换\r\ntext1(7)=Pack & Go\r\n")
        << QStringLiteral("Corvane:  -  转换") << all << 0;
    QTest::newRow("no config") << QByteArray() << QStringLiteral("Corvane:  -  ") << designed << 0;
    // "[*]" is no modified mark here: the name shows as typed.
    QStringList marked = designed;
    marked[2] = QStringLiteral("Conv[*]ert");
    QTest::newRow("[*] in the name")
        << QByteArray("[IntegerSection]\nCurrentTool=2\n[StringSection]\nText1(2)=Conv[*]ert\n")
        << QStringLiteral("Corvane:  -  Conv[*]ert") << marked << 2;
}

void TestMainWindow::toolsFromConfig()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, title);
    QFETCH(QStringList, captions);
    QFETCH(int, currentTool);
    if (!config.isEmpty())
        writeFile(m_folders->configPath(), config);
    QVERIFY(load());
    // The title as the window system shows it.
    m_form->winId();
    QCOMPARE(m_form->windowHandle()->title(), title);
    QCOMPARE(m_folders->tool.index(), currentTool);
    QStringList shown;
    for (int i = 0; i < 8; ++i) {
        // '&' shows as typed, not as an access key.
        shown << control<QAction>(qPrintable(QStringLiteral("Tools_%1").arg(i)))
                     ->text()
                     .replace(QLatin1String("&&"), QLatin1String("&"));
    }
    QCOMPARE(shown, captions);
    QCOMPARE(readFile(m_folders->configPath()),
             config.isEmpty() ? QByteArray("<missing>") : config);
}

void TestMainWindow::toolsClickSwitchesWithoutWriting()
{
    const QByteArray config("[IntegerSection]\nCurrentTool=0\nCheck1(2)=1\n[StringSection]\n"
                            "Text1(2)=Convert\nText2(2)=/usr/bin/convert\nText3(2)=$SName$\n");
    writeFile(m_folders->configPath(), config);
    QVERIFY(load());
    control<QAction>("Tools_2")->trigger();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Corvane:  -  Convert"));
    QCOMPARE(m_folders->tool.index(), 2);
    QCOMPARE(m_folders->tool.profile().program, QStringLiteral("/usr/bin/convert"));
    QVERIFY(m_folders->tool.profile().captureOutput);
    control<QAction>("Tools_5")->trigger();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Corvane:  -  "));
    QCOMPARE(m_folders->tool.index(), 5);
    QVERIFY(!m_folders->tool.profile().captureOutput);
    QCOMPARE(readFile(m_folders->configPath()), config);
    // The menu keeps its captions and marks the active tool alone, also
    // after a click on the item already marked.
    QCOMPARE(control<QAction>("Tools_2")->text(), QStringLiteral("Convert"));
    control<QAction>("Tools_5")->trigger();
    for (int i = 0; i < kToolCount; ++i)
        QCOMPARE(control<QAction>(qPrintable(QStringLiteral("Tools_%1").arg(i)))->isChecked(),
                 i == 5);
}

void TestMainWindow::menuCommandsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("选项") << QStringLiteral("MenuOption");
    QTest::newRow("主题") << QStringLiteral("HelpTopic");
    QTest::newRow("关于") << QStringLiteral("HelpAbout");
}

void TestMainWindow::menuCommandsOpenTheirWindows()
{
    QFETCH(QString, command);
    QVERIFY(loadAndShow());
    QString opened;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            return;
        opened = window->objectName();
        modal = window->isModal() && window->isVisible();
        // A name saved meanwhile shows in the Tools menu once the options
        // dialog has closed.
        m_folders->settings.writeString(QStringLiteral("Text1(4)"), QStringLiteral("Saved"));
        window->close();
    });
    control<QAction>(qPrintable(command))->trigger();
    QVERIFY2(!opened.isEmpty(), "no modal window opened");
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(control<QAction>("Tools_4")->text(), command == QLatin1String("MenuOption")
                                                      ? QStringLiteral("Saved")
                                                      : QStringLiteral("工具5"));
}

void TestMainWindow::exitWritesCurrentTool_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("退出") << QStringLiteral("Command4");
    QTest::newRow("结束") << QStringLiteral("FileEnd");
}

void TestMainWindow::exitWritesCurrentTool()
{
    QFETCH(QString, command);
    writeFile(m_folders->configPath(), "[IntegerSection]\nCurrentTool=1\n");
    QVERIFY(loadAndShow());
    control<QAction>("Tools_6")->trigger();
    QCOMPARE(m_folders->settings.readInt(QStringLiteral("CurrentTool")), 1);

    if (command == QLatin1String("Command4"))
        QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
    else
        control<QAction>("FileEnd")->trigger();

    QCOMPARE(m_ended, 1);
    QCOMPARE(m_folders->settings.readInt(QStringLiteral("CurrentTool")), 6);
    QVERIFY(!m_form->isVisible());
    // The lock goes with the program.
    QVERIFY(!QFileInfo::exists(m_instance->lockPath()));
}

void TestMainWindow::closeBoxDoesNotWrite()
{
    const QByteArray config("[IntegerSection]\nCurrentTool=1\n");
    writeFile(m_folders->configPath(), config);
    QVERIFY(loadAndShow());
    control<QAction>("Tools_4")->trigger();
    QVERIFY(m_form->close());
    QCOMPARE(readFile(m_folders->configPath()), config);
    QVERIFY(!m_form->isVisible());
    // Without a batch the program ends the ordinary way, through its event loop.
    QCOMPARE(m_ended, 0);
}

void TestMainWindow::endDuringBatch_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("savedTool");
    QTest::newRow("退出") << QStringLiteral("Command4") << 3;
    QTest::newRow("结束") << QStringLiteral("FileEnd") << 3;
    QTest::newRow("close box") << QStringLiteral("close") << 1;
}

void TestMainWindow::endDuringBatch()
{
    QFETCH(QString, command);
    QFETCH(int, savedTool);
    writeFile(m_folders->configPath(),
              QByteArray("[IntegerSection]\nCurrentTool=1\n[StringSection]\n"
                         "Text2(3)=" CORVANE_HELPER_SLEEP "\nText3(3)=100\n"));
    QVERIFY(loadAndShow());
    control<QAction>("Tools_3")->trigger();
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(m_form->jobList().count(), 3);

    bool runningAtEnd = false;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&](int index) {
        if (index != 0)
            return;
        // Runs inside the batch's wait for the first command.
        QTimer::singleShot(0, this, [&] {
            runningAtEnd = m_form->batchRun().isRunning();
            if (command == QLatin1String("Command4"))
                QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
            else if (command == QLatin1String("FileEnd"))
                control<QAction>("FileEnd")->trigger();
            else
                m_form->close();
        });
    });
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);

    QTRY_COMPARE(m_ended, 1);
    QVERIFY(runningAtEnd);
    // Nothing starts after the end, and the running command was left alone.
    QTest::qWait(100);
    QVERIFY(!m_form->batchRun().isRunning());
    QCOMPARE(m_folders->settings.readInt(QStringLiteral("CurrentTool")), savedTool);
    QVERIFY(!m_form->isVisible());
}

void TestMainWindow::secondInstanceInProcess()
{
    const QByteArray config("[IntegerSection]\nCurrentTool=5\n[StringSection]\nText1(5)=X\n");
    writeFile(m_folders->configPath(), config);
    const QDateTime modified = QFileInfo(m_folders->configPath()).lastModified();
    const QString lockPath = m_folders->path(QStringLiteral("instance.lock"));
    SingleInstance first(lockPath);
    QVERIFY(first.tryAcquire());

    SingleInstance second(lockPath);
    MainWindow form(m_folders->desktop, m_folders->settings, m_folders->tool);
    form.setProcessEnd([this] { ++m_ended; });
    QVERIFY(!form.loadOnStartup(second));

    QCOMPARE(m_messages->count(), 1);
    const Message message = m_messages->messages().first();
    QCOMPARE(message.text, QStringLiteral("Corvane(版本 %1.%2.%3)已运行！")
                               .arg(CORVANE_VERSION_MAJOR)
                               .arg(CORVANE_VERSION_MINOR)
                               .arg(CORVANE_VERSION_PATCH));
    QCOMPARE(message.title, QStringLiteral("Corvane"));
    QCOMPARE(message.icon, MessageIcon::Information);
    QVERIFY(!form.isVisible());
    // Nothing of the start-up after the check ran.
    QCOMPARE(form.windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(m_folders->tool.index(), 0);
    QCOMPARE(readFile(m_folders->configPath()), config);
    QCOMPARE(QFileInfo(m_folders->configPath()).lastModified(), modified);
    QCOMPARE(QDir(m_folders->data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             strings({"config.ini"}));
    QCOMPARE(m_ended, 0);
}

void TestMainWindow::addAllTwiceKeepsDuplicates()
{
    QVERIFY(load());
    auto *add = control<QPushButton>("Command5");
    QTest::mouseClick(add, Qt::LeftButton);
    Rows rows = jobRows();
    QCOMPARE(rows.names, strings({"a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(rows.folders, QStringList(3, m_folders->source));
    QTest::mouseClick(add, Qt::LeftButton);
    rows = jobRows();
    QCOMPARE(rows.names, strings({"a.bmp", "b.wav", "c.txt", "a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(rows.folders, QStringList(6, m_folders->source));
}

void TestMainWindow::addSelected_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("none") << QList<int>() << QStringList();
    QTest::newRow("first and last") << QList<int>({0, 2}) << strings({"a.bmp", "c.txt"});
    QTest::newRow("selected backwards") << QList<int>({2, 1}) << strings({"b.wav", "c.txt"});
    QTest::newRow("all") << QList<int>({0, 1, 2}) << strings({"a.bmp", "b.wav", "c.txt"});
}

void TestMainWindow::addSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, expected);
    QVERIFY(load());
    auto *file1 = control<FileList>("File1");
    selectRows(file1, selected);
    const QList<bool> before = file1->selectionFlags();
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    const Rows rows = jobRows();
    QCOMPARE(rows.names, expected);
    QCOMPARE(rows.folders, QStringList(expected.size(), m_folders->source));
    QCOMPARE(file1->selectionFlags(), before);
    QCOMPARE(m_form->listScrollExtent() >= 10, true);
}

void TestMainWindow::doubleClickInFileList()
{
    QVERIFY(loadAndShow());
    auto *file1 = control<FileList>("File1");

    // No current file yet: nothing to add.
    m_form->jobEditor().addCurrentFile();
    QCOMPARE(m_form->jobList().count(), 0);

    doubleClick(file1, 1);
    Rows rows = jobRows();
    QCOMPARE(rows.names, strings({"b.wav"}));
    QCOMPARE(rows.folders, QStringList({m_folders->source}));
}

void TestMainWindow::removeSelected_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("folderOfEntry"); // 0 = first folder, 1 = second

    QTest::newRow("b and d") << QList<int>({1, 3}) << strings({"a", "c"}) << QList<int>({0, 1});
    QTest::newRow("last only") << QList<int>({3}) << strings({"a", "b", "c"})
                               << QList<int>({0, 0, 1});
    QTest::newRow("first only") << QList<int>({0}) << strings({"b", "c", "d"})
                                << QList<int>({0, 1, 1});
    QTest::newRow("none") << QList<int>() << strings({"a", "b", "c", "d"})
                          << QList<int>({0, 0, 1, 1});
    QTest::newRow("all") << QList<int>({0, 1, 2, 3}) << QStringList() << QList<int>();
}

void TestMainWindow::removeSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, folderOfEntry);
    const QString first = m_folders->source + QStringLiteral("/one");
    const QString second = m_folders->source + QStringLiteral("/two");
    makeFiles(first, {QStringLiteral("a"), QStringLiteral("b")});
    makeFiles(second, {QStringLiteral("c"), QStringLiteral("d")});
    QVERIFY(load());
    auto *dir1 = control<FolderList>("Dir1");
    QVERIFY(dir1->setPath(first));
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(dir1->setPath(second));
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(jobRows().folders, QStringList({first, first, second, second}));

    selectRows(control<QListView>("List1"), selected);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    const Rows rows = jobRows();
    QCOMPARE(rows.names, names);
    QStringList folders;
    for (int which : folderOfEntry)
        folders << (which == 0 ? first : second);
    QCOMPARE(rows.folders, folders);
}

void TestMainWindow::doubleClickInJobList()
{
    QVERIFY(loadAndShow());
    // An empty job list: nothing to remove.
    m_form->jobEditor().removeCurrentJob();
    QCOMPARE(m_form->jobList().count(), 0);

    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(QDir(m_folders->source).mkdir(QStringLiteral("sub")));
    makeFiles(m_folders->source + QStringLiteral("/sub"), {QStringLiteral("z")});
    QVERIFY(control<FolderList>("Dir1")->setPath(m_folders->source + QStringLiteral("/sub")));
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);

    auto *list1 = control<QListView>("List1");
    QApplication::processEvents();
    doubleClick(list1, 3);
    Rows rows = jobRows();
    QCOMPARE(rows.names, strings({"a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(rows.folders, QStringList(3, m_folders->source));

    doubleClick(list1, 0);
    rows = jobRows();
    QCOMPARE(rows.names, strings({"b.wav", "c.txt"}));
    QCOMPARE(rows.folders, QStringList(2, m_folders->source));
}

void TestMainWindow::removeAll()
{
    QVERIFY(load());
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QVERIFY(m_form->listScrollExtent() > 10);
    QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
    const Rows rows = jobRows();
    QCOMPARE(rows.names, QStringList());
    QCOMPARE(rows.folders, QStringList());
    QCOMPARE(m_form->listScrollExtent(), 10);
}

void TestMainWindow::scrollExtentFollowsWidestEntry()
{
    const QString wide =
        QStringLiteral("一个非常非常长的文件名 with a long tail, wider than the list.wav");
    const QString middle = QStringLiteral("middle sized name.wav");
    makeFiles(m_folders->source + QStringLiteral("/w"), {QStringLiteral("s.wav"), middle, wide});
    QVERIFY(loadAndShow());
    QVERIFY(control<FolderList>("Dir1")->setPath(m_folders->source + QStringLiteral("/w")));
    auto *list1 = control<QListView>("List1");
    const auto extentOf = [list1](const QString &text) {
        return int(std::nearbyint(QFontMetricsF(list1->font()).horizontalAdvance(text))) + 10;
    };
    QVERIFY(extentOf(wide) > list1->viewport()->width());
    QVERIFY(extentOf(middle) < list1->viewport()->width());

    QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(m_form->listScrollExtent(), extentOf(wide));
    // The list offers exactly that range: the extent less what is visible.
    QTRY_COMPARE(list1->horizontalScrollBar()->maximum(),
                 extentOf(wide) - list1->viewport()->width());

    // Removing the widest entry shrinks the range to the next one.
    const int wideRow = int(fileRows(control<FileList>("File1")).indexOf(wide));
    selectRows(list1, {wideRow});
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(m_form->listScrollExtent(), extentOf(middle));
    QTRY_COMPARE(list1->horizontalScrollBar()->maximum(), 0);

    // "->" with nothing selected adds nothing but still measures the list:
    // a new font shows in the extent.
    QFont font = list1->font();
    font.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() * 2 : 30);
    list1->setFont(font);
    control<FileList>("File1")->clearSelection();
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_form->jobList().count(), 2);
    QCOMPARE(m_form->listScrollExtent(), extentOf(middle));
    QVERIFY(extentOf(middle) > 10 + QFontMetricsF(QFont()).horizontalAdvance(middle));

    m_form->jobEditor().removeCurrentJob(); // no current entry after the removal: nothing
    QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
    QCOMPARE(m_form->listScrollExtent(), 10);
}

void TestMainWindow::patternEnterAppendsEveryTime()
{
    makeFiles(m_folders->source, {QStringLiteral("d.WAV"), QStringLiteral("noext")});
    QVERIFY(loadAndShow());
    auto *combo = control<QComboBox>("Combo1");
    auto *file1 = control<FileList>("File1");
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, QStringLiteral("*.wav"));
    QCOMPARE(combo->currentText(), QStringLiteral("*.wav"));
    // Typing alone changes nothing.
    QCOMPARE(file1->count(), 5);

    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(fileRows(file1), strings({"b.wav", "d.WAV"}));
    QCOMPARE(combo->count(), 5);
    QCOMPARE(combo->itemText(4), QStringLiteral("*.wav"));
    QCOMPARE(combo->currentText(), QStringLiteral("*.wav"));

    QTest::keyClick(combo, Qt::Key_Enter, Qt::ShiftModifier);
    QCOMPARE(combo->count(), 6);
    QCOMPARE(combo->itemText(5), QStringLiteral("*.wav"));

    // The empty text too, which lists every file.
    combo->lineEdit()->clear();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(combo->count(), 7);
    QCOMPARE(combo->itemText(6), QString());
    QCOMPARE(file1->count(), 5);

    // Other keys add nothing.
    QTest::keyClick(combo, Qt::Key_Escape);
    QTest::keyClick(combo, Qt::Key_Tab);
    QCOMPARE(combo->count(), 7);
}

void TestMainWindow::typedPatternAppliesOnFolderChange()
{
    makeFiles(m_folders->source + QStringLiteral("/sub"),
              {QStringLiteral("x.bmp"), QStringLiteral("y.wav")});
    QVERIFY(load());
    auto *combo = control<QComboBox>("Combo1");
    auto *file1 = control<FileList>("File1");
    combo->lineEdit()->setText(QStringLiteral("*.bmp"));
    QCOMPARE(file1->count(), 3);
    QVERIFY(control<FolderList>("Dir1")->setPath(m_folders->source + QStringLiteral("/sub")));
    QCOMPARE(fileRows(file1), strings({"x.bmp"}));
    QCOMPARE(combo->count(), 4);
}

void TestMainWindow::pickingPatternFromList()
{
    QVERIFY(loadAndShow());
    auto *combo = control<QComboBox>("Combo1");
    auto *file1 = control<FileList>("File1");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), QStringLiteral("*.bmp"));
    QCOMPARE(fileRows(file1), strings({"a.bmp"}));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(fileRows(file1), strings({"b.wav"}));
    QCOMPARE(combo->count(), 4);
}

void TestMainWindow::equalsLeavesDestinationDrive()
{
    const QString mount = m_folders->path(QStringLiteral("mnt"));
    makeFiles(mount, {QStringLiteral("m.txt")});
    QVERIFY(loadAndShow());
    const QList<Drive> drives = {Drive{QStringLiteral("/"), QString()}, Drive{mount, QString()}};
    auto *drive2 = control<DriveList>("Drive2");
    drive2->setDrives(drives);
    drive2->showFolder(m_folders->source);
    pickDrive(drive2, mount);
    QCOMPARE(control<FolderList>("Dir2")->path(), mount);

    QTest::mouseClick(control<QPushButton>("Command7"), Qt::LeftButton);
    QCOMPARE(control<FolderList>("Dir2")->path(), m_folders->source);
    QCOMPARE(drive2->drive(), mount);
    QCOMPARE(control<FolderList>("Dir2")->path(), m_folders->source);
    QCOMPARE(m_messages->count(), 0);
}

void TestMainWindow::invalidDrive_data()
{
    QTest::addColumn<QString>("side");
    QTest::newRow("source") << QStringLiteral("1");
    QTest::newRow("destination") << QStringLiteral("2");
}

void TestMainWindow::invalidDrive()
{
    QFETCH(QString, side);
    const QString gone = m_folders->path(QStringLiteral("gone"));
    QVERIFY(loadAndShow());
    auto *drive = control<DriveList>(qPrintable(QStringLiteral("Drive") + side));
    auto *dir = control<FolderList>(qPrintable(QStringLiteral("Dir") + side));
    auto *file1 = control<FileList>("File1");
    drive->setDrives({Drive{QStringLiteral("/"), QString()}, Drive{gone, QStringLiteral("USB")}});
    drive->showFolder(m_folders->source);
    pickDrive(drive, gone);

    QCOMPARE(m_messages->count(), 1);
    const Message message = m_messages->messages().first();
    QCOMPARE(message.text, QStringLiteral("设备无效   "));
    QCOMPARE(message.title, QStringLiteral("注意"));
    QCOMPARE(message.icon, MessageIcon::Warning);
    QCOMPARE(drive->drive(), gone);
    QCOMPARE(dir->path(), m_folders->source);
    QCOMPARE(file1->path(), m_folders->source);
    QCOMPARE(file1->count(), 3);
}

void TestMainWindow::driveChangeShowsDrive()
{
    const QString mount = m_folders->path(QStringLiteral("mnt"));
    makeFiles(mount, {QStringLiteral("m.txt"), QStringLiteral("n.wav")});
    QVERIFY(loadAndShow());
    control<QComboBox>("Combo1")->lineEdit()->setText(QStringLiteral("*.wav"));
    auto *drive1 = control<DriveList>("Drive1");
    drive1->setDrives({Drive{QStringLiteral("/"), QString()}, Drive{mount, QString()}});
    drive1->showFolder(m_folders->source);
    pickDrive(drive1, mount);
    QCOMPARE(control<FolderList>("Dir1")->path(), mount);
    QCOMPARE(control<FileList>("File1")->path(), mount);
    QCOMPARE(fileRows(control<FileList>("File1")), strings({"n.wav"}));
    QCOMPARE(control<FolderList>("Dir2")->path(), m_folders->source);
    QCOMPARE(m_messages->count(), 0);
}

void TestMainWindow::keyboardActsOnFocusedControlOnly()
{
    writeFile(m_folders->configPath(),
              QByteArray("[StringSection]\nText2(0)=" CORVANE_HELPER_SLEEP "\nText3(0)=20\n"));
    QVERIFY(loadAndShow());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto *addAll = control<QPushButton>("Command5");
    auto *file1 = control<FileList>("File1");
    auto *combo = control<QComboBox>("Combo1");

    // Enter and the keypad's Enter press the focused button; Esc does not.
    addAll->setFocus();
    QTest::keyClick(addAll, Qt::Key_Return);
    QCOMPARE(m_form->jobList().count(), 3);
    QTest::keyClick(addAll, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_form->jobList().count(), 6);
    QTest::keyClick(addAll, Qt::Key_Escape);
    QCOMPARE(m_form->jobList().count(), 6);
    QVERIFY(addAll->hasFocus());

    // While a batch runs, the focus rests in the job list, where another key
    // ends nothing; "处理" gets it back at the end.
    QTest::keyClick(control<QPushButton>("Command6"), Qt::Key_Return);
    QCOMPARE(m_form->jobList().count(), 0);
    QTest::keyClick(addAll, Qt::Key_Return);
    auto *process = control<QPushButton>("Command3");
    QStringList focusDuringBatch;
    connect(&m_form->batchRun(), &BatchRun::entryStarted, this, [&] {
        QWidget *focus = QApplication::focusWidget();
        focusDuringBatch << (focus ? focus->objectName() : QStringLiteral("none"));
        if (focus)
            QTest::keyClick(focus, Qt::Key_Space);
    });
    process->setFocus();
    QVERIFY(runBatchToEnd([&] { QTest::keyClick(process, Qt::Key_Return); }));
    QCOMPARE(focusDuringBatch, strings({"List1", "List1", "List1"}));
    QCOMPARE(m_ended, 0);
    QVERIFY(process->isEnabled());
    QVERIFY(process->hasFocus());

    // A typed pattern that equals an entry does not apply itself when the
    // focus leaves the box: ">>" adds all the files shown.
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, QStringLiteral("*.wav"));
    QTest::mouseClick(addAll, Qt::LeftButton);
    QCOMPARE(fileRows(file1), strings({"a.bmp", "b.wav", "c.txt"}));
    QCOMPARE(m_form->jobList().count(), 6);
    // A pick in the open list does apply.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(combo->view()->isVisible());
    combo->view()->setCurrentIndex(combo->model()->index(0, 0));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCOMPARE(combo->currentText(), QStringLiteral("*.wav"));
    QCOMPARE(fileRows(file1), strings({"b.wav"}));

    auto *exit = control<QPushButton>("Command4");
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_Return);
    QCOMPARE(m_ended, 1);
}

void TestMainWindow::readableUnderDarkThemeAndLargeFont_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("main window") << QString();
    QTest::newRow("选项") << QStringLiteral("MenuOption");
    QTest::newRow("主题") << QStringLiteral("HelpTopic");
    QTest::newRow("关于") << QStringLiteral("HelpAbout");
}

void TestMainWindow::readableUnderDarkThemeAndLargeFont()
{
    QFETCH(QString, command);
    const QPalette savedPalette = QApplication::palette();
    const QFont savedFont = QApplication::font();
    const auto restore = qScopeGuard([&] {
        QApplication::setPalette(savedPalette);
        QApplication::setFont(savedFont);
    });
    // A dark desktop theme with a 12-point default font.
    QApplication::setPalette(darkPalette());
    QFont large = savedFont;
    large.setPointSize(12);
    QApplication::setFont(large);

    QVERIFY(loadAndShow());
    QStringList problems = {QStringLiteral("no window checked")};
    if (command.isEmpty()) {
        problems = unreadableTexts(m_form.get());
    } else {
        QTimer::singleShot(0, this, [&] {
            if (QWidget *window = QApplication::activeModalWidget()) {
                problems = unreadableTexts(window);
                window->close();
            }
        });
        control<QAction>(qPrintable(command))->trigger();
    }
    QCOMPARE(problems, QStringList());
}

namespace {
// What a screen reader is offered under a window: for each object with a
// name, its accessible name and role.
QHash<QString, QPair<QString, QAccessible::Role>> offered(QWidget *window)
{
    QHash<QString, QPair<QString, QAccessible::Role>> seen;
    QList<QAccessibleInterface *> pending = {QAccessible::queryAccessibleInterface(window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface *item = pending.takeLast();
        if (!item)
            continue;
        if (QObject *object = item->object(); object && !object->objectName().isEmpty())
            seen.insert(object->objectName(), {item->text(QAccessible::Name), item->role()});
        for (int i = 0; i < item->childCount(); ++i)
            pending.append(item->child(i));
    }
    return seen;
}
} // namespace

void TestMainWindow::accessibleNamesAndRoles_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name"); // empty: not offered at all
    QTest::addColumn<int>("role");

    const auto row = [](const char *window, const char *object, const char *name,
                        QAccessible::Role role) {
        QTest::addRow("%s %s", window, object)
            << QString::fromUtf8(window) << QString::fromUtf8(object) << QString::fromUtf8(name)
            << int(role);
    };
    row("main", "Drive1", "源文件驱动器", QAccessible::ComboBox);
    row("main", "Dir1", "源文件夹", QAccessible::List);
    row("main", "File1", "源文件列表", QAccessible::List);
    row("main", "Combo1", "文件名筛选", QAccessible::ComboBox);
    row("main", "Command7", "将源文件夹设为文件存储路径", QAccessible::Button);
    row("main", "Command5", "添加全部文件到任务列表", QAccessible::Button);
    row("main", "Command1", "添加选中的文件到任务列表", QAccessible::Button);
    row("main", "Command2", "从任务列表移除选中的条目", QAccessible::Button);
    row("main", "Command6", "清空任务列表", QAccessible::Button);
    row("main", "Drive2", "文件存储驱动器", QAccessible::ComboBox);
    row("main", "Dir2", "文件存储文件夹", QAccessible::List);
    row("main", "List1", "任务列表", QAccessible::List);
    row("main", "Command3", "处理任务列表", QAccessible::Button);
    row("main", "Command4", "退出", QAccessible::Button);
    row("main", "ProgressBar1", "处理进度", QAccessible::ProgressBar);
    row("main", "Label3", "处理状态：就绪", QAccessible::StaticText);
    row("main", "Label1", "源文件路径", QAccessible::StaticText);
    row("main", "List2", "", QAccessible::NoRole);
    row("options", "Text1_0", "名称", QAccessible::EditableText);
    row("options", "Text2_0", "程序", QAccessible::EditableText);
    row("options", "Command1_0", "浏览程序文件", QAccessible::Button);
    row("options", "Text3_0", "命令行", QAccessible::EditableText);
    row("options", "Check1_0", "捕获输出", QAccessible::CheckBox);
    row("options", "Jobs_0", "同时运行的命令数", QAccessible::SpinBox);
    row("options", "cmdOK", "确定", QAccessible::Button);
    row("options", "Text1_1", "", QAccessible::NoRole);
    row("options", "Command1_7", "", QAccessible::NoRole);
    row("options", "picOptions_3", "", QAccessible::NoRole);
    row("options", "qt_tabwidget_tabbar", "工具", QAccessible::PageTabList);
    row("options", "ScrollLeftButton", "", QAccessible::NoRole);
    row("options", "qt_tabwidget_stackedwidget", "", QAccessible::NoRole);
}

void TestMainWindow::accessibleNamesAndRoles()
{
    QFETCH(QString, window);
    QFETCH(QString, object);
    QFETCH(QString, name);
    QFETCH(int, role);
    QVERIFY(loadAndShow());
    QHash<QString, QPair<QString, QAccessible::Role>> seen;
    if (window == QLatin1String("main")) {
        seen = offered(m_form.get());
    } else {
        QTimer::singleShot(0, this, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                seen = offered(dialog);
                dialog->close();
            }
        });
        control<QAction>("MenuOption")->trigger();
    }
    if (name.isEmpty()) {
        QVERIFY2(!seen.contains(object), "a hidden control is offered");
        return;
    }
    QVERIFY2(seen.contains(object), "not offered");
    QCOMPARE(seen.value(object).first, name);
    QCOMPARE(int(seen.value(object).second), role);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
