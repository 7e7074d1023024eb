// The order of the header variables in the header section of DWG AC1012 to AC1015: one table per
// layout, shared by the reader and the writer of that section so both keep the same order.
#pragma once

#include <cstddef>
#include <cstdint>

enum Dwg13HeaderCode : uint8_t {
  DWG13_HV_B,         // B into the named variable
  DWG13_HV_BS,
  DWG13_HV_BL,
  DWG13_HV_BD,
  DWG13_HV_RC,
  DWG13_HV_3BD,
  DWG13_HV_2RD,
  DWG13_HV_TV,        // arg: the text's capacity in the stream, with its zero
  DWG13_HV_DATE,      // two BL: day and milliseconds
  DWG13_HV_REF,       // H of a record; arg: Dwg13HeaderRef
  DWG13_HV_HELD,      // H kept by the drawing; arg: Dwg13Held
  DWG13_HV_CONTROL,   // H of a table control object; arg: Dwg13Control
  DWG13_HV_HANDSEED,  // H: the next handle to hand out
  DWG13_HV_FLAGS,     // AC1015 BL of lineweight, end caps, joins and switches
  DWG13_HV_PLOTSTYLE, // H present only when CEPSNTYPE is 3
  DWG13_HV_DROP_B,    // values without a use here
  DWG13_HV_DROP_BS,
  DWG13_HV_DROP_BL,
  DWG13_HV_DROP_BD,
  DWG13_HV_DROP_TV,   // arg: capacity
};

struct Dwg13HeaderItem {
  uint8_t code;      // Dwg13HeaderCode
  const char* name;  // header variable (DXF name), or null
  uint16_t arg;
};

extern const Dwg13HeaderItem dwg13_header_r13[];  // AC1012 and AC1014
extern const size_t dwg13_header_r13_count;
extern const Dwg13HeaderItem dwg13_header_r15[];  // AC1015
extern const size_t dwg13_header_r15_count;
