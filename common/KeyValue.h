#pragma once
// Small settings texts of "key = value" lines, as the simulated module keeps its module
// settings, its store order and the libraries' choice of store.

#include <string>
#include <vector>

// One line of a settings text that says something.
struct SKeyValueLine {
    int number = 0;         // 1 for the first line of the text
    bool hasEquals = false; // false: a line of other text; key and value are then empty
    std::string key;
    std::string value;
};

// The lines of a text (LF or CR LF ended) apart from blank lines and comment lines, whose first
// character other than a blank is '#'. Key and value are cut at the first '=' and lose the
// blanks (space, tab, CR) around them.
std::vector<SKeyValueLine> ReadKeyValueLines(const std::string& text);

// Value of the first line with this key, "" when there is none; other lines do not matter.
std::string FindKeyValue(const std::string& text, const std::string& key);

// Whether a value written as "key = value" reads back as written: no line break, and no blank
// at either end.
bool IsKeepableValue(const std::string& value);
