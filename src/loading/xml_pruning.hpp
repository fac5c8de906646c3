// What the later attempts of a repair remove from Tidy's document before it
// is written: what XML cannot hold inside a document.
#pragma once

#include <tidy/tidy.h>

// Removes processing instructions, server-side code (PHP, ASP, JSTE) and
// every earlier copy of a repeated attribute, walking the tree without
// recursion, through libtidy's own node interface.
void prune_for_xml(TidyDoc doc);
