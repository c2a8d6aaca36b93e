// The language server of scenario-tool (`scenario-tool lsp`): what an
// editor needs to check a scenario's texts as its author types.
//
//   transport.h   JSON-RPC messages over a byte stream, framed by a
//                 Content-Length header: reading and writing, nothing else.
//   workspace.h   what the server knows, free of any protocol: the open
//                 documents, the scenario folder each belongs to, the
//                 checker's diagnostics and fixes, hover texts and the
//                 keywords of a section.
//   server.h      the protocol: JSON-RPC requests and notifications turned
//                 into calls of the workspace, and its answers into JSON
//                 (server_features.cc: formatting, semantic tokens, folding,
//                 signature help, references, rename, settings, watching).
//   text_records.h a description text's sections, records and fields.
//   record_help.h what records mean in the author's words, curves, the
//                 record and field at a place, a diagnostic's whole range.
//   formatting.h  the formatting that lines records up.
//   text_views.h  semantic tokens and folding ranges.
//   settings.h    the settings an editor gives the server.
//   (workspace members in station_names.cc and disk_changes.cc: where a
//   station is named; what changed on disk.)
//
// Positions inside the server count characters of a line from 1, as the
// checker does; the protocol layer turns them into UTF-16 code units.
#pragma once

#include "lsp/server.h"
#include "lsp/transport.h"
#include "lsp/workspace.h"
