#pragma once

// Language library messages of the toolbar that the command-line front end
// shows for the same faults.
namespace toolbartext {

constexpr int cantReadFile = 1207;
constexpr int cantWriteFile = 1208;
constexpr int badTarget = 2205;

} // namespace toolbartext
