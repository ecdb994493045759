// What a host routine uses to read its arguments and return its result.
// Argument i counts from 0; an absent argument reads as 0 or the empty text.
#pragma once

#include <cstdint>
#include <string>

#include "CodeList.h"

namespace koralix::macro {

// Address of element j of argument i, or nullptr when there is no such
// argument or the element lies outside the argument's storage.
uint8_t* ArgPointer(const TSBCodeList& code, int i, int j = 0);
char ArgType(const TSBCodeList& code, int i); // 0 when absent
int32_t ArgInt(const TSBCodeList& code, int i);
float ArgSingle(const TSBCodeList& code, int i);
double ArgDouble(const TSBCodeList& code, int i);
double ArgDate(const TSBCodeList& code, int i);
// The text of a STRING argument, otherwise empty.
std::string ArgString(const TSBCodeList& code, int i);
bool ArgIsString(const TSBCodeList& code, int i);
// Stores into a STRING argument's own storage (cut at 255 characters).
void SetArgString(const TSBCodeList& code, int i, const std::string& text);

} // namespace koralix::macro
