// The wizard's own log for support: msde_wizard.log, one line per event,
// beside the engine setup's msde_inst.log. Writing it never changes what the
// wizard does: every failure is ignored. Nothing is written before LogStart.
#pragma once
#include <string>

extern const char* const kHiddenText;         // "****", for passwords

// Picks the folder (ends in "\"); a log larger than 1 MB is kept as the old
// one and started anew.
void LogStart(const std::string& sFolder);
void Log(const std::string& sLine);            // the date and time go first
// A password this run knows: from now on it stands in no line, whatever the
// event, but as kHiddenText (from three characters on).
void LogSecret(const std::string& sSecret);
void LogEnd(const std::string& sHow);
