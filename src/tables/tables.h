// What the tables library offers every stage of the run:
//
//   scenario_tables.h  the scenario tables, the one state object of a run
//   track_plan.h       the line plan, held in the encoding of its file
//   coding.h           every little-endian write and read of the binary files
//   error_codes.h      the table of recorded error codes and their meanings
//   numbers.h          half-to-even rounding and narrow stores
//   file_names.h       the names of every file a run touches, path joining
//   replace_file.h     replacing and reading a file whole, existence, deletion
//   windows1252.h      the code page of the texts, to and from UTF-8
//   run_failure.h      the run-time failure the reading stage records as 25
//   file_failure.h     a file-system failure that stops the run
#pragma once

#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"
#include "tables/scenario_tables.h"
#include "tables/track_plan.h"
#include "tables/windows1252.h"
