#pragma once

#include <QComboBox>
#include <QStringList>

class QKeyEvent;

namespace tamberlin::widgets {

// An editable drop-down list that knows whether an entry is selected: picking an entry from the
// list selects it; typing into the box leaves no entry selected, whatever the text.
class EntryBox : public QComboBox {
    Q_OBJECT
public:
    EntryBox(const QStringList& entries, QWidget* parent = nullptr);

    // The position of the selected entry, or -1 when none is.
    int selectedEntry() const { return selected_; }
    // Selects an entry by position; any other value leaves the box empty with none selected.
    void selectEntry(int index);
    // Shows a text; the entry that equals it exactly (capital letters count) becomes the
    // selected one, and when none does no entry is selected.
    void setBoxText(const QString& text);
    QString boxText() const { return currentText(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Qt takes Enter after a text that equals an entry as a choice of that entry; here only a
    // choice from the list selects, so an activation while Enter is handled is not one.
    void passEnter(QKeyEvent* event, QObject* to);

    int selected_ = -1;
    bool handlingEnter_ = false;
};

} // namespace tamberlin::widgets
