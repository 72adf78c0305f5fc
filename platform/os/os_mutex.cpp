// Mutexes over POSIX threads, recursive for their owning thread as the game's design expects
// (nothing relies on the recursion, but a nested lock must not deadlock).
#include "platform/mutex.h"
#include <pthread.h>
#include <cstdlib>

struct kubl_mutex {
    pthread_mutex_t m;
};

kubl_mutex *kubl_mutex_create(void)
{
    kubl_mutex *mx = (kubl_mutex *)malloc(sizeof *mx);
    if (!mx) return nullptr;
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    int rc = pthread_mutex_init(&mx->m, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc) {
        free(mx);
        return nullptr;
    }
    return mx;
}

void kubl_mutex_close(kubl_mutex *mx)
{
    if (!mx) return;
    pthread_mutex_destroy(&mx->m);
    free(mx);
}

int kubl_mutex_lock(kubl_mutex *mx)
{
    return mx && pthread_mutex_lock(&mx->m) == 0;
}

void kubl_mutex_unlock(kubl_mutex *mx)
{
    if (mx) pthread_mutex_unlock(&mx->m);
}
