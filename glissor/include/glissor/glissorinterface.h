#pragma once

// The control's identifiers, and its interface as design environments and generic hosts list it: the
// properties in interface order (each one is also the name its assignment notifies under), the methods, and
// the events with their numbers and the help text carried with them.
namespace glissor {

inline constexpr const char* kClassId = "{546BBEBE-7E8C-49A3-8450-D343FB5D9A73}";
inline constexpr const char* kProgId = "GlissorControl.Glissor";

inline constexpr const char* kProperties[] = {
    "BackColor", "ForeColor",     "Enabled", "Font",  "Border",   "Caption", "MaskPicture",
    "Picture",   "StrechPicture", "Mask",    "Value", "MaxValue", "HPicture"};

inline constexpr const char* kMethods[] = {"UpdateSlider", "ShowAboutBox"};

struct EventInfo {
    int number;
    const char* name;
    const char* helpText; // empty when the event carries none
};

inline constexpr EventInfo kEvents[] = {
    {1, "Click", "Occurs when the user presses and then releases a mouse button over an object."},
    {2, "MouseDown", "Occurs when the user presses the mouse button while an object has the focus."},
    {3, "MouseMove", "Occurs when the user moves the mouse."},
    {4, "MouseUp", "Occurs when the user releases the mouse button while an object has the focus."},
    {5, "Change", ""},
};

} // namespace glissor
