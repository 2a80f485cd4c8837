// main.cpp: the desktop program kvvidiridoved.
#include "gui/ui_language.h"
#include "pc/pc_file_tree.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "shell/single_instance.h"
#include "shell/start_options.h"
#include "terminal/terminal_view.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

// Lists the terminal's folders at paths in turn, opening each, then runs then.
void OpenTerminalPaths(CTerminalFileTree& tree, QStringList paths, std::function<void()> then)
{
    if (paths.isEmpty()) {
        then();
        return;
    }
    QTreeWidgetItem* item = tree.FindItem(paths.takeFirst());
    if (!item ||
        !tree.FillItem(item, true, [&tree, paths, then] { OpenTerminalPaths(tree, paths, then); }))
        OpenTerminalPaths(tree, paths, then);
}

// --screenshot FILE: takes the connect dialog's first port, waits for the
// connection window, opens the home folder in the PC tree and C:\DATA in the
// terminal's tree, saves a picture of the main window and ends.
void ArmScreenshot(CKVVidiRidovedApp& app, const QString& path)
{
    app.SetBeforeFirstNew([&app, path] {
        QTimer::singleShot(800, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        QTimer::singleShot(2500, [&app, path] {
            if (CMainFrame* frame = app.mainFrame()) {
                CPCFileTree* tree = frame->pcTree();
                for (int i = 0; tree->rootItem && i < tree->rootItem->childCount(); ++i) {
                    QTreeWidgetItem* volume = tree->rootItem->child(i);
                    if (volume->text(0) == QDir::homePath()) {
                        tree->ListFolder(volume->text(0), volume);
                        volume->setExpanded(true);
                    }
                }
                const auto save = [frame, path] {
                    frame->grab().save(path, "PNG");
                    frame->close();
                };
                const QList<CChildFrame*> windows = frame->ConnectionWindows();
                if (windows.isEmpty()) {
                    save();
                    return;
                }
                windows.first()->setGeometry(frame->mdiArea()->viewport()->rect());
                CTerminalFileTree& terminal = windows.first()->view()->Tree();
                OpenTerminalPaths(terminal,
                                  {terminal.GetItemPath(terminal.rootItem), QStringLiteral("D:"),
                                   QStringLiteral("C:"), QStringLiteral("C:\\DATA")},
                                  save);
            }
        });
    });
}

// Hands request to the running program over its socket; false when none runs.
// Needs no display.
bool HandToRunningProgram(int argc, char** argv, const QByteArray& request)
{
    QCoreApplication core(argc, argv);
    return SingleInstance(DefaultInstanceServerName()).Send(request);
}

// --help, --version and a bad command line are answered without a display. A
// bad command line still brings a running program to the front first.
int AnswerOnTheTerminal(int argc, char** argv, const StartOptions& options)
{
    QCoreApplication core(argc, argv);
    if (!options.valid && SingleInstance(DefaultInstanceServerName()).Send("raise"))
        return 0;
    InstallUiLanguage(core, options.language);
    const QString text =
        options.valid && options.version && !options.help ? StartVersionText() : StartHelpText();
    std::fputs(text.toLocal8Bit().constData(), options.valid ? stdout : stderr);
    return options.valid ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    {
        QStringList words;
        for (int i = 1; i < argc; ++i)
            words << QString::fromLocal8Bit(argv[i]);
        const StartOptions early = ParseStartOptions(words);
        if (early.help || early.version || !early.valid)
            return AnswerOnTheTerminal(argc, argv, early);
        if (early.postMode != 0 &&
            HandToRunningProgram(argc, argv, PostRequestLine(early.postMode)))
            return 0;
    }
    QApplication qapp(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const StartOptions options = ParseStartOptions(args);
    CKVVidiRidovedApp::SetUpProcess(qapp, options);

    CKVVidiRidovedApp app;
    if (!options.screenshotPath.isEmpty())
        ArmScreenshot(app, options.screenshotPath);
    return app.Run(args);
}
