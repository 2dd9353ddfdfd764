#pragma once
// Where the program's help, feedback and mail links lead.

namespace app {

inline constexpr const char* kGuideFile = "doc/index.html";
inline constexpr const char* kProjectMail = "mailto:qelt@localhost";
inline constexpr const char* kProjectMailText = "QELT 开发组 <qelt@localhost>";

}  // namespace app
