// Arbitrary bytes as a DDE command string: parsing never reads past the command's end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/DdeCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string command(reinterpret_cast<const char*>(data), size);
  DdeCommand cmd = ParseDdeCommand(command.c_str());
  CString pending = cmd.pending;
  while (!pending.IsEmpty()) TakeFirstPendingName(pending);
  return 0;
}
