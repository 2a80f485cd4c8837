#include "terminal/terminal_view.h"

#include "connection/kv_vidi_ridoved_doc.h"

#include <QCloseEvent>
#include <QIcon>
#include <QVBoxLayout>

CTerminalView::CTerminalView(CKVVidiRidovedDoc& document, QWidget* parent)
    : QWidget(parent), doc(document)
{
    setObjectName(QStringLiteral("terminalView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMinimumSize(240, 160);
}

CChildFrame::CChildFrame(CKVVidiRidovedDoc* document, QWidget* parent)
    : QMdiSubWindow(parent), doc(document)
{
    setObjectName(QStringLiteral("connectionWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    doc->setParent(this);
    setWidget(new CTerminalView(*doc, this));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tree1.png")));
    setWindowTitle(doc->Title());
    connect(doc, &CKVVidiRidovedDoc::TitleChanged, this, &QWidget::setWindowTitle);
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    doc->OnCloseDocument();
    QMdiSubWindow::closeEvent(event);
}
