#pragma once

// How a chosen data file joins the program's data.
enum class LoadMethod {
    ReplaceAll, // the store is emptied, then the file is read into it
    MergeFiles, // the file is read behind the current records, then MergeRecords
};
