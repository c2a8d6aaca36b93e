// What the output library offers: the three binary scenario files.
//
//   binary_files.h    encoding the line plan, the train table and the route grid,
//                     and writing the three files at the end of a run
//   binary_readers.h  decoding the three files back into tables
//   record_layouts.h  offsets and sizes of the packed records on disk
#pragma once

#include "output/binary_files.h"
#include "output/binary_readers.h"
#include "output/record_layouts.h"
