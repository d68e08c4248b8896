// Description sections for tests: a text written as a description file and one of its sections
// handed to a reader.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "des_file.h"
#include "test_dir.h"

// Writes _text as "obj.des" into _dir and runs _read on its section _name (a test failure when
// the section is missing). The file stays open while _read runs.
template <class F>
void TST_WithSection(const TST_TempDir& _dir, const std::string& _text, const char* _name, F _read)
{
    _dir.Write("obj.des", _text);
    DES_File file;
    DES_Section root;
    DES_Section section;
    file.Open(&root, "obj.des");
    ASSERT_TRUE(root.FindSection(&section, _name));
    _read(&section);
}
