#pragma once

#include "persistence/RegistryDocument.h"

#include <string>
#include <string_view>

// The settings file in registry-export text syntax:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Veldrin\RX58Manager\ChanelSetup]
//   "CurrentChanel"=dword:00000000
//   "ComPortName"="COM1"
//   "Path"=hex(2):25,00,...        expandable text, UTF-16LE
//   "StartInterval"=hex:00,00,...  binary
namespace persistence {

// Reads what can be trusted: a line that does not parse, a value before any
// key, a value under a malformed key header and a last line without its
// line end (a file cut short) are passed over; the rest is kept.
RegistryDocument ParseRegistryText(std::string_view text);

// The file text of a document; ParseRegistryText gives the document back.
std::string FormatRegistryText(const RegistryDocument& document);

} // namespace persistence
