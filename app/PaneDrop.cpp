// The drop target of a pane: see PaneDrop.h.
#include "app/PaneDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace nox {

TPaneDropTarget::TPaneDropTarget(QWidget& pane, Accepts accepts, Dropped dropped)
    : QObject(&pane), pane_(pane), frame_(new QFrame(&pane)), accepts_(std::move(accepts)), dropped_(std::move(dropped)) {
    pane.setAcceptDrops(true);
    pane.installEventFilter(this);
    // A frame in the highlight colour over the pane's edge; the picture shows through, and the
    // drag's events still go to the pane beneath.
    frame_->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame_->setStyleSheet(QStringLiteral("QFrame { border: 3px solid palette(highlight); background: transparent; }"));
    frame_->hide();
}

bool TPaneDropTarget::Showing() const { return frame_->isVisible(); }

std::optional<std::string> TPaneDropTarget::AcceptableFile(const QMimeData* data) const {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return std::nullopt;
    const QUrl first = data->urls().first();
    if (!first.isLocalFile()) return std::nullopt;
    std::string name = first.toLocalFile().toStdString();
    if (!accepts_(name)) return std::nullopt;
    return name;
}

void TPaneDropTarget::ShowFrame(bool show) {
    frame_->setGeometry(pane_.rect());
    frame_->setVisible(show);
}

bool TPaneDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &pane_) return false;
    switch (event->type()) {
        case QEvent::DragEnter: {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (!AcceptableFile(drag->mimeData())) {
                drag->ignore();
                return true;
            }
            drag->acceptProposedAction();
            ShowFrame(true);
            return true;
        }
        case QEvent::DragMove:
            static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
            return true;
        case QEvent::DragLeave:
            ShowFrame(false);
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            ShowFrame(false);
            const std::optional<std::string> name = AcceptableFile(drop->mimeData());
            if (!name) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            dropped_(*name);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace nox
