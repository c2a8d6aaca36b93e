// What the sources library offers the run:
//
//   embedded_scenario.h  the scenario this build carries, generated at build
//                        time from the scenario folder
//   text_writer.h        writing an embedded text into the program's
//                        directory, and the stages that write each text
//   field_stream.h       reading a description text back field by field
#pragma once

#include "sources/embedded_scenario.h"
#include "sources/field_stream.h"
#include "sources/text_writer.h"
