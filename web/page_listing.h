// The page's listing of a bank: one record per entry, read from the heads
// alone, with what lsd2wav does with the entry when it extracts the bank in
// the page's folder, so that every row can say it.
#pragma once

#include <string>

// Appends the listing of `bankName` (a file of the page's folder) to `json`
// as {"entries":[...]} or, when it cannot be read, {"failure":...}; whether
// it could. Runs inside a started run.
bool ListForPage(const char* bankName, std::string* json);
