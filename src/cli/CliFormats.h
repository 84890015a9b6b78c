// The formats velkor-cli names: the types it writes, the formats it reads
// and the extensions it takes from folders, read from the format registry
// in this one place, so help, completion and the batch never disagree.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// Output types (--to TYPE, OUTPUT's extension), lower case, in the order
// Save As lists them.
const std::vector<std::string>& WritableTypes();
// True when ext (any case, without the dot) is one of them.
bool IsWritableType(const std::string& ext);
// The types of save codes, as a help line names them ("tga ras pct").
std::string WritableTypeNames(std::initializer_list<int> codes);
std::string WritableTypeNames(const std::vector<int>& codes);

// Names of the formats the detector recognises, as info prints them, in
// detection order.
const std::vector<std::string>& ReadableFormatNames();

// Extensions (lower case, without the dot) of the files the browser lists;
// -r takes these from folders.
const std::vector<std::string>& ListedExtensions();
// True when the file name ends in one of them, in any case.
bool HasListedExtension(const std::string& name);
