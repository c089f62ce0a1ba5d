/* The least a rename from tags does, as a small C program: for each file,
 * open it, read its last 128 bytes (where the tag is), close it, rename it.
 * sonrik_bench_changes times `sonrik-tag rename --apply` against it.
 *
 *   rename_floor DIR COUNT forward   "Band NNNNN - Song.mp3" to "Artist NNNNN - Title.mp3"
 *   rename_floor DIR COUNT back      and back
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: rename_floor DIR COUNT forward|back\n");
        return 2;
    }
    const char* dir = argv[1];
    const int count = atoi(argv[2]);
    const int forward = strcmp(argv[3], "forward") == 0;
    char from[4096], to[4096], tag[128];
    for (int i = 0; i < count; ++i) {
        char band[64], artist[64];
        snprintf(band, sizeof band, "Band %05d - Song.mp3", i);
        snprintf(artist, sizeof artist, "Artist %05d - Title.mp3", i);
        snprintf(from, sizeof from, "%s/%s", dir, forward ? band : artist);
        snprintf(to, sizeof to, "%s/%s", dir, forward ? artist : band);
        const int fd = open(from, O_RDONLY | O_CLOEXEC);
        if (fd < 0 || lseek(fd, -128, SEEK_END) < 0 || read(fd, tag, sizeof tag) != (ssize_t)sizeof tag) {
            perror(from);
            return 1;
        }
        close(fd);
        if (rename(from, to) != 0) {
            perror(from);
            return 1;
        }
    }
    return 0;
}
