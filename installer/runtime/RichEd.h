// Rich-text controls used as labels: bold markup, label look, right-to-left copies.
#pragma once
#include <string>

#include "Forms.h"

// Appends the text without its <B> and </B> tags (any letter case), the tagged stretches
// bold (at most 200 of them); the selection is cleared afterwards.
void ApplyBoldMarkup(TRichEdit* edit, const std::string& text);
// Makes the control a label showing the text (escapes expanded, bold markup applied).
void SetRichLabelText(TRichEdit* edit, const std::string& text);
// For Hebrew and Arabic: replaces the control by a right-to-left one in its place.
void MakeRightToLeftRichEdit(TRichEdit*& edit, int charset);
