// In-place heap sort over records of any size; needs no scratch memory.
#include "data/util.h"

static void swap_bytes(unsigned char *a, unsigned char *b, int size)
{
    for (int i = 0; i < size; ++i) {
        unsigned char t = a[i];
        a[i] = b[i];
        b[i] = t;
    }
}

static void sift_down(unsigned char *base, int a, int count, int size,
                      int (*compare)(const void *, const void *))
{
    for (;;) {
        int child = 2 * a + 1;
        if (child >= count) return;
        if (child + 1 < count && compare(base + (child + 1) * size, base + child * size) > 0) child++;
        if (compare(base + child * size, base + a * size) <= 0) return;
        swap_bytes(base + child * size, base + a * size, size);
        a = child;
    }
}

void heap_sort(void *array, int count, int element_size, int (*compare)(const void *, const void *))
{
    unsigned char *base = (unsigned char *)array;
    for (int parent = count / 2 - 1; parent >= 0; --parent)
        sift_down(base, parent, count, element_size, compare);
    for (int last = count - 1; last > 0; --last) {
        swap_bytes(base, base + last * element_size, element_size);
        sift_down(base, 0, last, element_size, compare);
    }
}
