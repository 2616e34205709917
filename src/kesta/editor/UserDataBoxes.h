#pragma once

namespace velkora::controls {
class DatePicker;
class TextBox;
} // namespace velkora::controls

namespace kesta::editor {

// The boxes of the six user data of the header (Ly_UserDef_1 to Ly_UserDef_6).
struct UserDataBoxes {
    velkora::controls::TextBox *user1 = nullptr; // txtUser1 to txtUser4
    velkora::controls::TextBox *user2 = nullptr;
    velkora::controls::TextBox *user3 = nullptr;
    velkora::controls::TextBox *user4 = nullptr;
    velkora::controls::DatePicker *date5 = nullptr; // dpUser5, dpUser6
    velkora::controls::DatePicker *date6 = nullptr;
};

} // namespace kesta::editor
