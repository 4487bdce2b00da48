// A script's outline for the editor: its labels, where a writer jumps to.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "lsp/script_check.h"

// The symbols of `checked`, the check of `utf8Text`: one per label line that names a
// label ("*start"; "*|title" names none), in line order, duplicates too. Each spans
// its line, its name selected from the "*" to the "|" or the line's end. As
// DocumentSymbol[] when the client takes them (`hierarchical`), else as
// SymbolInformation[] located in `uri`.
nlohmann::json documentSymbolsJson(const CheckedScript& checked,
                                   std::string_view utf8Text, bool hierarchical,
                                   const std::string& uri);
