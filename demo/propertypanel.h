#pragma once

#include <QWidget>

class QFormLayout;
class QLabel;

// Every interface property of a control (its Q_PROPERTYs beyond QWidget's own) as an editor a host developer
// can try: text and numbers in line edits, Booleans in check boxes, colours as hexadecimal, pictures loaded
// from files, each with the description the control gives it as its tooltip. A refused assignment shows the
// control's error (its Error event) under the panel.
class PropertyPanel : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPanel(QWidget* parent = nullptr);

    void setTarget(QObject* target);
    // Reads every property back from the target.
    void refresh();

private slots:
    void showError(int Number, const QString& Description);

private:
    void assign(const char* name, const QVariant& value);
    void rebuild();

    QObject* m_target = nullptr;
    QFormLayout* m_form;
    QLabel* m_status;
    std::vector<std::function<void()>> m_readers;
};
