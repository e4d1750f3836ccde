#pragma once

#include <cstdint>
#include <string_view>

// The identifiers a host uses for Lumaband: the class, its interfaces, and the dispatch identifiers of its
// members and events, in interface order. Hosts that late-bind find each member under its name as a Qt
// property.
namespace lumaband {

inline constexpr const char* kClassId = "{61B4481E-C9F5-47D2-9942-31E8D01D5069}";
inline constexpr const char* kProgId = "Project1.Lumaband";
inline constexpr const char* kInterfaceId = "{EE837AF2-5452-456D-BE8F-27E88D3A7F4D}"; // _Lumaband
inline constexpr const char* kEventsId = "{F2368065-95BE-4507-B782-4194368CE2F0}";    // __Lumaband

struct Member {
    const char* name;
    std::uint32_t dispatchId;
    bool method;
    const char* description; // what design tools show beside the member; empty when it carries none
};

inline constexpr Member kMembers[] = {
    {"BackColor", 0x6803000F, false,
     "Returns/sets the background color used to display text and graphics in an object."},
    {"Enabled", 0x6803000E, false,
     "Returns/sets a value that determines whether an object can respond to user-generated events."},
    {"BorderStyle", 0x6803000D, false, "Returns/sets the border style for an object."},
    {"MousePointer", 0x6803000C, false,
     "Returns/sets the type of mouse pointer displayed when over part of an object."},
    {"MouseIcon", 0x6803000B, false, "Sets a custom mouse icon."},
    {"PopupMenu", 0x6003001B, true, "Displays a pop-up menu on an MDIForm or Form object."},
    {"StartColor", 0x6803000A, false, ""},
    {"EndColor", 0x68030009, false, ""},
    {"Value", 0x68030008, false, ""},
    {"Min", 0x68030007, false, ""},
    {"Max", 0x68030006, false, ""},
    {"ShowPercent", 0x68030005, false, ""},
    {"RelativeScroll", 0x68030004, false, ""},
    {"SegmentSize", 0x68030003, false, ""},
    {"SegmentWidth", 0x68030002, false, ""},
    {"Percent", 0x68030001, false, ""},
    {"PercentColor", 0x68030000, false,
     "Returns/sets the foreground color used to display text and graphics in an object."},
};

struct Event {
    const char* name;
    std::uint32_t dispatchId;
    const char* description;
};

inline constexpr Event kEvents[] = {
    {"Click", 1, "Occurs when the user presses and then releases a mouse button over an object."},
    {"MouseDown", 2, "Occurs when the user presses the mouse button while an object has the focus."},
    {"MouseMove", 3, "Occurs when the user moves the mouse."},
    {"MouseUp", 4, "Occurs when the user releases the mouse button while an object has the focus."},
};

// The description of the member `name`; empty for an unknown member or one without a description.
constexpr const char* memberDescription(std::string_view name) {
    for (const Member& m : kMembers)
        if (name == m.name)
            return m.description;
    return "";
}

} // namespace lumaband
