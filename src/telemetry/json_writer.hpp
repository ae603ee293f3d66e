// The JSON field writer shared by telemetry and the feedback protocol. Documents are built by
// appending fields to one growing text, with no whitespace anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvald::telemetry {

// [","]"key":"value" with the value escaped; keys are written as they are. The comma is left
// out for the first field of an object.
void write_json_string_field(std::string& out, std::string_view key, std::string_view value,
                             bool first);

// ,"key":value
void write_json_number_field(std::string& out, std::string_view key, std::uint64_t value);

// The value part of a string field: the escaped text between quotation marks.
void append_json_string(std::string& out, std::string_view value);

// The shortest decimal text that reads back to the same double, never with an exponent and
// without a decimal point for whole numbers. JSON has no spelling for NaN or the infinities,
// so those are written as null rather than breaking the document.
void append_json_double(std::string& out, double value);

}  // namespace corvald::telemetry
