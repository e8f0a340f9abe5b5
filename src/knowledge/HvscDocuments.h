#pragma once
// Finding the collection's documents from the HVSC directory setting. The setting may name the
// folder holding "C64Music", "C64Music" itself or its "DOCUMENTS" folder.
#include <optional>
#include <string>

struct THvscDocument {
  std::string Path;  // the document file
  std::string Root;  // the collection root ("C64Music"), ending in "/"
};

// The first of directory/C64Music/DOCUMENTS/name, directory/DOCUMENTS/name and directory/name
// that exists; nothing when the setting has at most one character or none exists.
std::optional<THvscDocument> FindHvscDocument(std::string hvscDirectory, const std::string& name);
