#pragma once

// Translate and GetCurrentLanguage: the translation dictionary's calls that
// user-visible texts go through.
#include "ui/dictionary.h"
