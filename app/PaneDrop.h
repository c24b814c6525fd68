// Dropping a file onto a pane: an event filter that accepts a drag whose first item is a local
// file the window can open, frames the pane while such a drag hovers over it, and hands the
// file's name on when it is dropped. Drags of anything else are refused and show nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>

class QFrame;
class QMimeData;
class QWidget;

namespace nox {

class TPaneDropTarget : public QObject {
public:
    using Accepts = std::function<bool(const std::string& fileName)>;
    using Dropped = std::function<void(const std::string& fileName)>;

    // Installs itself on `pane` (which it makes accept drops) and is owned by it.
    TPaneDropTarget(QWidget& pane, Accepts accepts, Dropped dropped);

    // Whether the frame that shows an acceptable hovering drag is visible.
    bool Showing() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The first item's local file name when it is one that `accepts_` takes.
    std::optional<std::string> AcceptableFile(const QMimeData* data) const;
    void ShowFrame(bool show);

    QWidget& pane_;
    QFrame* frame_;
    Accepts accepts_;
    Dropped dropped_;
};

}  // namespace nox
