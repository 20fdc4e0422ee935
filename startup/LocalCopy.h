// The copy of the program that a /Config resume entry starts. After the
// restart the medium may be gone (the CD out of the drive, a share not yet
// reachable when logon entries start), and the configuration needs nothing
// from it but the program. The copy lies in a folder of its own under the
// system's program folder: local, reached by every logon, writable only by
// administrators (the copy runs elevated).
#pragma once
#include <string>

std::string LocalCopyPath();      // <program folder>\LumeDax\Tarnwick.exe
// Copies the running program there; false (and nothing left) when it cannot.
bool MakeLocalCopy();
// Deletes the copy and its folder at once (the copy is not running).
void RemoveLocalCopy();
// True when the running program is the copy.
bool RunningLocalCopy();
// The running copy cannot delete itself: the copy and its folder go at the
// next restart (MoveFileEx on the NT family, WININIT.INI on Windows 9x).
void ScheduleLocalCopyRemoval();
