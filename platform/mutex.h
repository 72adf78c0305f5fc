// platform/mutex.h — the only lock kind: recursive for its owning thread.
#pragma once

struct kubl_mutex;

kubl_mutex *kubl_mutex_create(void);
void        kubl_mutex_close(kubl_mutex *mutex);
int         kubl_mutex_lock(kubl_mutex *mutex);        // 1 when obtained
void        kubl_mutex_unlock(kubl_mutex *mutex);
