// A project whose names are Japanese: the script scenario/背景.ks, optionally listed in
// a Shift-JIS config_image.csv, refers to a.png in the folder 立ち絵, b.png in
// 立ち絵/表情 and none.jpg, which does not exist.
#pragma once

#include "support/temp_project.h"

void addJapaneseNames(const TempProject& project, bool listedInConfig);
