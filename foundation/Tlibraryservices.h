#pragma once
// What the program lends the libraries it loads at run time, reached through the
// TUtilityGlobal they are given. A library carries its own copy of the program's
// foundation code, and that copy has state of its own: no logins, no post state, and a
// last error of the file calls kept per thread, which a library that is unloaded again
// must not own. Through these plain functions a library runs the program's own code on
// the program's own state instead. Texts travel as TStr, lists of them as TArray<TStr>.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstdint>

struct TLibraryServices {
  // The header of a received command message of that command, its seal checked: name and
  // value pairs in their order, an encrypted field's value deciphered. False (told to the
  // user or reported) when the file cannot be read, is not sealed or names another command.
  bool (*ReadCommandMessage)(const TStr* path, const TStr* command, TArray<TStr>* fields);
  // Writes a command message of the current login into the Outbox, sealed and named as the
  // post office names its files after `namePart`: FROM_USER_EMAIL, the receivers (addresses
  // joined by "; "), COMMAND, COMPOSE_DATETIME (now), then the name and value pairs of
  // `fields`. The user is told
  // of the sealed message. False (reported) when it cannot be written; no file is left then.
  bool (*WriteCommandMessage)(const TStr* command, const TStr* receivers, const TStr* namePart,
                              const TArray<TStr>* fields);
  // The ADIdent the author of the GENERATE_AUTHOR_IDENTS request at `path` can be given in
  // this installation's copy of its discussion: the one the author has there already, else
  // `*adident` when no other author of the copy holds it, else one above the highest the
  // copy has. False when
  // the request, its discussion or its author data cannot be read, or none is left.
  bool (*FreeAuthorIdent)(const TStr* path, uint16_t* adident);
};
