#pragma once

#include <QString>

class Job;

// What a queued job holds on disk until its end: the name of its output, reserved so that
// no other job or trial takes it, and the files it makes only for itself (a two-pass job's
// statistics, the copy of a DVD title that FFmpeg encodes), which go once it has ended.
namespace JobFiles {

// Reserves the output's name now and gives it back when the job ends.
void reserveOutput(Job *job, const QString &output);

enum class Removal { Always, AfterSuccess };
// Removes the file when the job ends (AfterSuccess: only when every task ended well; after
// a failure the file stays for the user).
void removeAtEnd(Job *job, const QString &path, Removal when);

// Why no job can write into the folder; empty when one can. A missing folder is made
// first. Permissions alone do not tell (root writes where the bits say no, and not at all
// on a read-only file system): a file made there and removed again does.
QString folderRefusal(const QString &folder);

// Every task of the job ended well (terminated or completed).
bool endedWell(const Job *job);

} // namespace JobFiles
