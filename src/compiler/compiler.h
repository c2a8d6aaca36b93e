// What the compiler library offers the run:
//
//   compile_stage.h       the compile stage in one call or two steps, and its outcome
//   description_texts.h   where the texts come from: a folder, or memory
//   memorizza_dati.h      the reading stage, both texts into the tables
//   description_reader.h  what both readers share: fields, stops, grid test
//   line_reader.h         the line description reader and its placements
//   track_plan_builder.h  the line plan, metre by metre, from the curves
//   progressive_ordina.h  the order of the kilometric progressive records
//   train_reader.h        the train description reader
//   placement.h           signals and slowdowns on the route grid
//   post_pass.h           abbattimento points around signals and slowdowns
//   competition_codes.h   reserved-slot checks, format markers, check codes
//   text_match.h          keyword containment tests
#pragma once

#include "compiler/compile_stage.h"
#include "compiler/competition_codes.h"
#include "compiler/description_reader.h"
#include "compiler/description_texts.h"
#include "compiler/line_reader.h"
#include "compiler/memorizza_dati.h"
#include "compiler/placement.h"
#include "compiler/post_pass.h"
#include "compiler/progressive_ordina.h"
#include "compiler/text_match.h"
#include "compiler/track_plan_builder.h"
#include "compiler/train_reader.h"
