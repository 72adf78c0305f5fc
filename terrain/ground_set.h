// terrain/ground_set.h — the ground files of a track folder replaced as one set, so that a
// load after a kill, a crash or a failed rename finds the old ground or the new one, never the
// new height samples under the old header's range.
//
// A save writes every file as "<name>.saving" first. The commit then keeps the old files as
// "<name>.old" (hard links), writes the marker "terrain.commit" (through a temporary name, so
// it is whole when it exists) and renames the new files into place; the marker and the old
// copies go last. "terrain.commit" lists one file per line: "<name> <1 when an old file was
// there, else 0>". A commit that cannot finish renames the marker to "terrain.rollback" and
// puts the old files back. Both steps can be repeated after an interruption, so a load simply
// finishes what it finds: a commit marker is rolled forward (back when that fails too), a
// rollback marker is rolled back, and without a marker the left-over files of a save that
// never reached its commit are removed.
#pragma once

enum { GROUND_SET_FILES = 6 };

// The files a ground save may write, in the order the commit renames them: the heights before
// the header that gives their range, the header last.
extern const char *const ground_set_names[GROUND_SET_FILES];

// Renames "<name>.saving" over "<name>" in folder (a real path, no "@") for each name of
// ground_set_names whose bit (1 << index) is in files. 1 done; 0 with the reason logged, the
// old files in place and the new ones removed.
int  ground_set_commit(const char *folder, int files);

// Finishes or undoes a half-committed set in folder and removes what an unfinished save left;
// nothing happens in a clean folder.
void ground_set_recover(const char *folder);

// Reads a marker's text: the bit mask of the files it names (names outside ground_set_names
// are ignored) and, per file, whether an old one was kept. Later lines repeat nothing.
int  ground_set_parse(const char *text, int length, int had_old[GROUND_SET_FILES]);
