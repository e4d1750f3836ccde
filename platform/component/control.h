#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "ui/prompts.h"

// The contract between a control and the host that places it. Both sides are plain interfaces with virtual
// members only, so a control built into its own library and a host built into the program can meet without
// sharing any state: a call through a ControlSite always runs the host's code, with the host's prompt seam.
namespace platform::component {

class PropertyBag;

// What a control sees of its host.
class ControlSite {
public:
    virtual ~ControlSite();
    // The font the host offers its controls; by default the application's.
    virtual QFont ambientFont() const;
    // Sent after every property assignment, with the property's name: the host's saved set is out of date.
    virtual void propertyChanged(const QString& name);
    // The seam for the control's own message boxes; by default the host's platform::prompts().
    virtual Prompts& prompts();
};

// What a host sees of a control. The control is a QWidget (widget()); its members are Q_PROPERTYs and its
// events Qt signals. The widget owns the control: the host ends both by deleting the widget, never through
// this interface.
class Control {
public:
    virtual QWidget* widget() = 0;
    // The host's site; null returns the control to a site of its own (application font, no notifications).
    virtual void setSite(ControlSite* site) = 0;
    // A new instance, placed for the first time.
    virtual void initNew() = 0;
    // Restores a saved set; a failing key throws its ControlError after the keys before it were applied.
    virtual void readProperties(const PropertyBag& bag) = 0;
    virtual void writeProperties(PropertyBag& bag) const = 0;

protected:
    ~Control() = default;
};

// A control's site pointer and the helpers its members use; a control class derives from it beside QWidget.
class ControlSiteHolder {
public:
    ControlSite& site() const { return m_site ? *m_site : fallbackSite(); }
    void setSiteObject(ControlSite* site) { m_site = site; }
    void notifyChanged(const QString& name) const { site().propertyChanged(name); }
    // Puts a property change on the screen before the setter returns, as a host that assigns inside a long
    // loop (the usual progress pattern) expects; one call paints once, however much the change touched. A
    // control that is not on the screen only schedules its paint.
    static void repaintNow(QWidget* control) {
        if (control->isVisible() && control->updatesEnabled())
            control->repaint();
        else
            control->update();
    }

private:
    // The site of a control that no host has sited (placed in a designer, or made directly by code).
    static ControlSite& fallbackSite() {
        static ControlSite s;
        return s;
    }
    ControlSite* m_site = nullptr;
};

// The class object a library hands out for one of its classes.
class ClassFactory {
public:
    // A new instance as a child of `parent`; null when it cannot be made.
    virtual Control* createInstance(QWidget* parent) = 0;
    // The host is done with this class object.
    virtual void release() = 0;

protected:
    ~ClassFactory() = default;
};

} // namespace platform::component
