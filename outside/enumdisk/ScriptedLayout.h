// A made-up machine for tests, written as text:
//
//   [C,D][][e]/Z,*
//
// Each [...] is one disk with the drive letters of its partitions ([] is a
// disk without partitions); after '/' come volumes on no disk. A letter is
// one character, taken as written ('*' is a volume without letter). A '!'
// before a letter damages that record's size, as a component of another
// layout version would write it.
#pragma once

#include <string>

#include "DiskLayout.h"

// False, leaving layout untouched, when the text does not follow the form.
bool ParseScriptedLayout(const std::wstring& text, DiskLayout* layout);
