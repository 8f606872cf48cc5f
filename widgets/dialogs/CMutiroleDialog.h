#pragma once

// A frame that lives embedded in a page and can also be popped up, on demand, inside a frameless dialog: the
// same widgets then serve in place and as a dialog of their own. The pop-up is made on the first pop-up and
// kept for the next; the frame stays in it from then on.
//
// Lifetimes: deleting the frame takes it out of its pop-up and deletes the pop-up. A pop-up deleted first
// (its parent window went away) takes the frame with it, as any Qt child goes with its parent; it is never
// deleted twice.

#include <QFrame>
#include <QString>

class CBaseDialog;

class CMutiroleDialog : public QFrame
{
    Q_OBJECT

public:
    explicit CMutiroleDialog(QWidget* parent = nullptr);
    ~CMutiroleDialog() override;

    // Runs the pop-up modally over `parent` with OK and Cancel; does nothing without a parent.
    void ShowDialog(QWidget* parent, const QString& title);
    // The same, also without a parent (a window of its own), and gives exec()'s result: 1 accepted, 0 not.
    int ExecDialog(QWidget* parent, const QString& title);
    // Shows the pop-up modelessly at the given size, with its close button and without OK and Cancel.
    void ShowModelessDialog(QWidget* parent, const QString& title, int width, int height);

    // Position and size: those of the pop-up once there is one, else the frame's.
    void Move(int x, int y);
    void Resize(int width, int height);
    int Width() const;
    int Height() const;

    // The pop-up, null until the first pop-up.
    CBaseDialog* PopupDialog() const { return m_pDialog; }

public Q_SLOTS:
    // The pop-up's close button ends here; a frame that must ask before closing overrides it.
    virtual void DialogCloseSlot();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Makes the pop-up on first use, gives it its parent and puts the frame in; the pop-up, ready to show.
    CBaseDialog* PreparePopup(QWidget* parent, const QString& title);

    CBaseDialog* m_pDialog = nullptr;
};
