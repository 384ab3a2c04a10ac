#pragma once

class QComboBox;
class QListWidget;
class QListWidgetItem;

// Project names can be long (a 160-character name is a real one): lists and drop-down lists
// of projects keep the width of their dialog, shorten a name that does not fit with an
// ellipsis in its middle, and show the whole name as the entry's tooltip.
void FitProjectNames(QComboBox* combo);
void FitProjectNames(QListWidget* list);
// The whole name as the tooltip of one entry added later.
void ShowFullNameTip(QListWidgetItem* item);
