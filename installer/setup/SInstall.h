// What the wizard form and its install run (SInstall.cpp) share.
#pragma once
#include <memory>
#include <string>

#include "SDialog.h"
#include "SRecord.h"

// The setup log of this run: opened with the script, written by the pages and the run.
extern std::unique_ptr<TSetupLog> g_setupLog;

// Field i of a "|" list written without its outer bars.
std::string Field(const std::string& item, int index);
// Field i of a "|" list that may already carry its outer bars (component lines do).
std::string ListField(const std::string& list, int index);
