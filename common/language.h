#pragma once
// The language rule for the texts the code chooses itself: Chinese when the system's default
// language is Chinese (PRC), English otherwise.

constexpr int kChineseLanguageId = 2052;
