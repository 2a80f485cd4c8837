// The PC tree on real folders: what a listing shows, the case and length of
// paths, clicks that re-list and toggle, the volumes it fills itself with, and
// files the terminal cannot take.
#include "gui_test_support.h"
#include "pc/pc_file_tree.h"

#include <QDir>

#include <sys/stat.h>

namespace {

QStringList ChildTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

QPoint TextPoint(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    const QRect r = tree->PressRect(item);
    return QPoint(r.right() - 4, r.center().y());
}

// Stands in for a connection window's tree: records what each drop would send.
class RecordingTerminalTree : public CFileTreeCtrl {
public:
    RecordingTerminalTree() { isTerminalTree = 1; }
    void StartDrop(QTreeWidgetItem*, CFileTreeCtrl* source) override
    {
        drops << source->MarkedPaths();
    }
    QList<QStringList> drops;
};

} // namespace

class PcFileTreeTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { delete tree; }
    void fillsWithTheVolumesAndTheHomeFolder();
    void listsFoldersAndFilesGreyingLongNames();
    void greyedFilesAreNeverMarkedOrSent();
    void keepsTheCaseOfTheFolderPath();
    void listsFoldersBeyondTheOldPathLimit();
    void clickReListsAndToggles();
    void emptyFolderKeepsItsButtonUntilClicked();
    void clickReleaseReducesTheMarksToOneFile();
    void aReleaseOutsideTheTreeIsNoClick();
    void deletesOnlyRegularFiles();

private:
    CPCFileTree* tree = nullptr;
    std::unique_ptr<TestDir> dir;
    QTreeWidgetItem* top = nullptr; // the test folder as a volume of the tree
};

void PcFileTreeTest::init()
{
    dir = std::make_unique<TestDir>();
    tree = new CPCFileTree;
    tree->resize(500, 600);
    tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree));
    top = tree->InsertItem(tree->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
}

void PcFileTreeTest::fillsWithTheVolumesAndTheHomeFolder()
{
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->rootItem->text(0), "PC");
    QVERIFY(tree->rootItem->isExpanded());
    const QStringList volumes = ChildTexts(tree->rootItem);
    QVERIFY(volumes.contains(QDir::homePath()));
    for (int i = 0; i < tree->rootItem->childCount(); ++i) {
        const QTreeWidgetItem* volume = tree->rootItem->child(i);
        if (volume == top)
            continue;
        QCOMPARE(volume->childCount(), 1); // the placeholder, until clicked
        QCOMPARE(volume->child(0)->text(0), QString());
        QCOMPARE(CFileTreeCtrl::ImageOf(volume->child(0)), FileTreeImage::ImagePc);
    }
    // Hiding and showing rebuilds it: the test folder is gone again.
    tree->hide();
    tree->show();
    QVERIFY(!ChildTexts(tree->rootItem).contains(Text(dir->path)));
}

void PcFileTreeTest::listsFoldersAndFilesGreyingLongNames()
{
    for (const char* name : {"readme.txt", "LONGNAME.TEXT", "Makefile", "datafile1.txt",
                             "ab.cdefghij", ".hidden.txt", "Zeta.dat"})
        TestDir::WriteFile(*dir / name, "x");
    std::filesystem::create_directory(*dir / "Sub");
    std::filesystem::create_directory(*dir / ".config");
    ::mkfifo((dir->path / "pipe.p").c_str(), 0600);                      // system: not a file
    std::filesystem::create_symlink(*dir / "gone.txt", *dir / "dead.l"); // dangling
    tree->ListFolder(Text(dir->path), top);
    QCOMPARE(ChildTexts(top), (QStringList{"ab.cdefghij", "datafile1.txt", "LONGNAME.TEXT",
                                           "Makefile", "readme.txt", "Sub", "Zeta.dat"}));
    QTreeWidgetItem* sub = top->child(5);
    QCOMPARE(CFileTreeCtrl::ImageOf(sub), FileTreeImage::ImageFolder);
    QCOMPARE(ChildTexts(sub), QStringList{"Sub"}); // placeholder named after the folder
    QCOMPARE(CFileTreeCtrl::ImageOf(sub->child(0)), FileTreeImage::ImagePc);
    QCOMPARE(CFileTreeCtrl::ImageOf(top->child(4)), FileTreeImage::ImageFile);
    QCOMPARE(tree->GetItemPath(top->child(4)), Text(dir->path / "readme.txt"));
    // Names the terminal cannot store show greyed, saying why.
    for (int i = 0; i < top->childCount(); ++i) {
        const QTreeWidgetItem* item = top->child(i);
        const bool greyed = i >= 1 && i <= 3;
        QCOMPARE(CFileTreeCtrl::IsGreyed(item), greyed);
        QCOMPARE(item->toolTip(0), greyed ? CPCFileTree::UnsendableNameTip() : QString());
    }
}

void PcFileTreeTest::greyedFilesAreNeverMarkedOrSent()
{
    TestDir::WriteFile(*dir / "A.TXT", "x");
    TestDir::WriteFile(*dir / "Quarterly report.xlsx", "x");
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTreeWidgetItem* shortName = top->child(0);
    QTreeWidgetItem* longName = top->child(1);
    QVERIFY(CFileTreeCtrl::IsGreyed(longName));
    QWidget* vp = tree->viewport();
    const QPoint at = TextPoint(tree, longName);

    // Clicks never mark it; a plain click on it lets go of the others.
    EditCommandState& state = tree->commandState();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(tree, shortName));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at);
    QCOMPARE(tree->markedItems, QList<QTreeWidgetItem*>{shortName});
    QTest::mouseClick(vp, Qt::LeftButton, {}, at);
    QVERIFY(tree->markedItems.isEmpty());
    QCOMPARE(state.copyEnabled + state.cutEnabled + state.deleteEnabled, 0);
    // A right-click offers Delete alone: Cut and Copy could carry it to a terminal.
    QTest::mouseClick(vp, Qt::RightButton, {}, at);
    QCOMPARE(tree->contextItem, longName);
    QVERIFY(tree->markedItems.isEmpty() && !tree->IsMarked(longName));
    QCOMPARE(state.deleteEnabled, 1);
    QCOMPARE(state.copyEnabled + state.cutEnabled, 0);

    // Dragged to a terminal tree it sends nothing; the file beside it does go.
    RecordingTerminalTree terminal;
    terminal.setGeometry(tree->geometry().translated(tree->frameGeometry().width() + 5, 0));
    terminal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&terminal));
    const QPoint over = vp->mapFromGlobal(terminal.viewport()->mapToGlobal(QPoint(20, 20)));
    for (QTreeWidgetItem* item : {longName, shortName}) {
        const QPoint from = TextPoint(tree, item);
        SendMouse(vp, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        SendMouse(vp, QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
        SendMouse(vp, QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
    }
    QCOMPARE(terminal.drops, QList<QStringList>{{Text(dir->path / "A.TXT")}});
}

void PcFileTreeTest::keepsTheCaseOfTheFolderPath()
{
    std::filesystem::create_directories(*dir / "Data");
    std::filesystem::create_directories(*dir / "data");
    TestDir::WriteFile(*dir / "Data" / "UPPER.TXT", "x");
    TestDir::WriteFile(*dir / "data" / "lower.txt", "x");
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTreeWidgetItem* upper = top->child(0)->text(0) == "Data" ? top->child(0) : top->child(1);
    QCOMPARE(upper->text(0), "Data");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, upper));
    QCOMPARE(ChildTexts(upper), QStringList{"UPPER.TXT"});
}

void PcFileTreeTest::listsFoldersBeyondTheOldPathLimit()
{
    std::filesystem::path deep = dir->path;
    for (int i = 0; i < 12; ++i)
        deep /= std::string(30, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    TestDir::WriteFile(deep / "END.TXT", "x");
    QVERIFY(deep.string().size() > 300);
    QTreeWidgetItem* item =
        tree->InsertItem(tree->rootItem, Text(deep), FileTreeImage::ImageFolder);
    tree->ListFolder(Text(deep), item);
    QCOMPARE(ChildTexts(item), QStringList{"END.TXT"});
}

void PcFileTreeTest::clickReListsAndToggles()
{
    TestDir::WriteFile(*dir / "FIRST.TXT", "x");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, top));
    QVERIFY(top->isExpanded());
    QCOMPARE(ChildTexts(top), QStringList{"FIRST.TXT"});
    TestDir::WriteFile(*dir / "SECOND.TXT", "x");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, top));
    QVERIFY(!top->isExpanded());
    QCOMPARE(ChildTexts(top), (QStringList{"FIRST.TXT", "SECOND.TXT"}));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, top));
    QVERIFY(top->isExpanded());
    // The root toggles without listing.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, tree->rootItem));
    QVERIFY(!tree->rootItem->isExpanded());
}

void PcFileTreeTest::emptyFolderKeepsItsButtonUntilClicked()
{
    std::filesystem::create_directory(*dir / "EMPTY");
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTreeWidgetItem* empty = top->child(0);
    QCOMPARE(empty->childCount(), 1);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, empty));
    QCOMPARE(empty->childCount(), 0);
}

void PcFileTreeTest::clickReleaseReducesTheMarksToOneFile()
{
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        TestDir::WriteFile(*dir / name, "x");
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QWidget* vp = tree->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(tree, top->child(0)));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(tree, top->child(1)));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(tree, top->child(2)));
    QCOMPARE(tree->markedItems.size(), 3);
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(tree, top->child(1)));
    QCOMPARE(tree->markedItems, QList<QTreeWidgetItem*>{top->child(1)});
    QVERIFY(!tree->IsMarked(top->child(0)));
    QVERIFY(!tree->IsMarked(top->child(2)));
}

void PcFileTreeTest::aReleaseOutsideTheTreeIsNoClick()
{
    // Pressed on a folder, released over another window at the same height: the
    // folder is neither listed again nor toggled.
    const std::string name(60, 'F');
    std::filesystem::create_directory(*dir / name);
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTreeWidgetItem* folder = top->child(0);
    tree->resize(300, 600);
    QWidget other;
    other.setGeometry(tree->geometry().translated(tree->frameGeometry().width() + 5, 0));
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QWidget* vp = tree->viewport();
    const QPoint at = TextPoint(tree, folder);
    const QPoint over(vp->mapFromGlobal(other.mapToGlobal(QPoint(10, 0))).x(), at.y());
    QVERIFY(!vp->rect().contains(over));
    QVERIFY(tree->itemAt(over) == folder); // the row reaches that far
    SendMouse(vp, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!folder->isExpanded());
    QCOMPARE(ChildTexts(folder), QStringList{QString::fromStdString(name)}); // the placeholder
}

void PcFileTreeTest::deletesOnlyRegularFiles()
{
    TestDir::WriteFile(*dir / "A.TXT", "x");
    std::filesystem::create_directory(*dir / "KEEP");
    QCOMPARE(tree->DeleteItemFile(Text(dir->path / "A.TXT")), LinkStatus::Ok);
    QVERIFY(!std::filesystem::exists(*dir / "A.TXT"));
    QCOMPARE(tree->DeleteItemFile(Text(dir->path / "KEEP")), AnswerCode(1));
    QCOMPARE(tree->DeleteItemFile(Text(dir->path / "NONE.TXT")), AnswerCode(1));
    QVERIFY(std::filesystem::exists(*dir / "KEEP"));
}

KV_GUI_TEST_MAIN(PcFileTreeTest)
#include "pc_file_tree_test.moc"
