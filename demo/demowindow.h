#pragma once

#include <QWidget>

class QComboBox;
class QListWidget;
class PropertyPanel;

// The demo host: a Glissor slider and a Lumaband bar placed by class identifier, as any host places them,
// with a property panel for either and a log of their events. Moving the slider fills the bar.
class DemoWindow : public QWidget {
    Q_OBJECT
public:
    explicit DemoWindow(QWidget* parent = nullptr);

    QWidget* glissor() const { return m_glissor; }
    QWidget* lumaband() const { return m_lumaband; }

private slots:
    void Glissor_Change(double& NewValue);
    void Glissor_Click();
    void Glissor_MouseDown(short& Button, short& Shift, float& X, float& Y);
    void Glissor_MouseUp(short& Button, short& Shift, float& X, float& Y);
    void Glissor_PropertyChanged(const QString& name);

private:
    QWidget* place(const char* clsid, const QString& name, QWidget* parent);
    void log(const QString& line);
    void cboTarget_Activated(int index);

    QWidget* m_glissor = nullptr;
    QWidget* m_lumaband = nullptr;
    QComboBox* cboTarget;
    PropertyPanel* m_panel;
    QListWidget* lstEvents;
};
