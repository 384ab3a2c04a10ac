#pragma once

#include <QString>

class QListWidget;

// The order project lists show names in: alphabetical as people read it, letter case not
// splitting the list; names equal but for case keep a stable order among themselves.
bool ProjectNameLess(const QString& a, const QString& b);
// Inserts the name at its sorted place and returns its row.
int InsertProjectName(QListWidget* list, const QString& name);
