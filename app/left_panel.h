#pragma once

#include <QMap>
#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;

namespace pq {

class CommandTable;
class EffectLists;
class IconButton;

// The left panel: the tools (crop, resize, rotate, text, texture, frame,
// auto-enhance), the effect families, and "Manual brush" and "Default
// Image" at its foot. The buttons run commands of the table.
class LeftPanel : public QWidget {
    Q_OBJECT
public:
    LeftPanel(const CommandTable& commands, QWidget* parent);

    EffectLists* effectLists() const { return lists_; }
    IconButton* tool(const QString& command) const { return tools_.value(command); }
    QPushButton* defaultImageButton() const { return defaultImageButton_; }

private:
    const CommandTable& commands_;
    QMap<QString, IconButton*> tools_;
    EffectLists* lists_ = nullptr;
    QPushButton* defaultImageButton_ = nullptr;
};

} // namespace pq
