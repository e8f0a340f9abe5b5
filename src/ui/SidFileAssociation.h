#pragma once
// The association of ".sid" files with this program, kept as keys of the registry store's
// classes hive: ".sid" names the file class "Vexlor.File", whose open command starts the program
// with the file as its first argument. The preferences dialog switches it on and off.
#include <string>

// True when ".sid" names "Vexlor.File" and that class exists.
bool SidFilesRegistered();
// Writes ".sid" and the "Vexlor.File" class with its icon and open command for the program at
// programPath.
void RegisterSidFiles(const std::string& programPath);
// Removes ".sid" and "Vexlor.File", but only while ".sid" names this program's class: another
// program's association stays.
void UnregisterSidFiles();
