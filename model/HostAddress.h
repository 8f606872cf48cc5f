#pragma once

// Resolving a recorder's domain name into address texts, and the dotted-address helper.

#include <string>
#include <vector>

// Every IPv4 and IPv6 address of the host, in the resolver's order, each once. IPv4 as "a.b.c.d", IPv6 as
// eight groups of four lower-case hex digits, no zero group shortened. Empty when the host is empty or
// unresolvable.
std::vector<std::string> GetAddressByHost(const std::string& host);

// The first IPv4 address of the host, empty when it has none. A recorder's address field holds 16 bytes, so
// an IPv6 text (39 characters) would not fit: a host that resolves to IPv6 only fails here instead of being
// cut.
std::string GetFirstIPv4Address(const std::string& host);

// A dotted IPv4 text to its 32-bit number (first part in the top byte). An empty text gives 0 and true.
// Digits, blanks and exactly three "." only, four numbers of at most 255; on any failure *out is 0 and the
// result false.
bool IPStringToUInt(const char* text, unsigned* out);
