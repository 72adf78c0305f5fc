// Models for the bike tests: read from files, never compiled into display lists.
#include "graphics/model.h"

static unsigned compile(const km_mesh *) { return 0; }
static void     destroy(unsigned) {}

void bike_test_fake_models(int on)
{
    static const model_list_ops lists = {compile, destroy};
    if (on) {
        model_set_list_ops(&lists);
    } else {
        model_purge(1);
        model_set_list_ops(nullptr);
    }
}

const char *bike_test_model_name(const km_mesh *m) { return model_name(m); }
