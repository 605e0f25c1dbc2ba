#pragma once

#include <QWidget>

namespace pq {

class Document;
class EffectPanel;
class PreviewPanel;
struct UserDialogs;

// The right panel: the live preview pane above the selected effect's
// settings.
class RightPanel : public QWidget {
    Q_OBJECT
public:
    RightPanel(Document& document, const UserDialogs& dialogs, QWidget* parent);

    EffectPanel& effects() const { return *effects_; }
    PreviewPanel& preview() const { return *preview_; }

private:
    EffectPanel* effects_ = nullptr;
    PreviewPanel* preview_ = nullptr;
};

} // namespace pq
