// What the sources library offers the run:
//
//   embedded_scenario.h  a scenario as the run sees it: name, train, texts
//   scenario_folder.h    the scenario folder authors write, read and converted
//   carried_scenario.h   a scenario carried at the end of a packager's file
//   carrying_packager.h  making a packager: a prebuilt one with a folder's
//                        scenario appended
//   text_writer.h        writing an embedded text into the program's
//                        directory, and the stages that write each text
//   field_stream.h       reading a description text back field by field
#pragma once

#include "sources/carried_scenario.h"
#include "sources/carrying_packager.h"
#include "sources/embedded_scenario.h"
#include "sources/field_stream.h"
#include "sources/scenario_folder.h"
#include "sources/text_writer.h"
