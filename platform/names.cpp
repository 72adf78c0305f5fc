// Input name aliases and interned texts; both live until the process ends.
#include "platform/input.h"
#include "platform/log.h"
#include <cstdlib>
#include <cstring>

struct alias_node {
    alias_node *next;
    char *name;
    char *target;
};

struct intern_node {
    intern_node *next;
    char text[1];   // the copy, allocated with the node
};

static alias_node  *g_aliases;   // newest first
static intern_node *g_interned;  // sorted by strcmp

const char *kubl_alias_resolve(const char *name)
{
    if (!name) return nullptr;
    for (alias_node *a = g_aliases; a; a = a->next)
        if (!strcmp(a->name, name)) return a->target;
    return nullptr;
}

int kubl_alias_add(const char *name, const char *target)
{
    if (!name || !target) return 0;
    const char *existing = kubl_alias_resolve(name);
    if (existing) {
        if (!strcmp(existing, target)) return 1;   // a display opened again says it once more
        kubl_log_printf("Second alias for '%s' ('%s') ignored\n", name, target);
        return 0;
    }
    alias_node *a = (alias_node *)malloc(sizeof *a);
    char *n = strdup(name);
    char *t = strdup(target);
    if (!a || !n || !t) {
        kubl_log_printf("Can't alias %s to %s -- out of memory\n", name, target);
        free(a);
        free(n);
        free(t);
        return 0;
    }
    a->name = n;
    a->target = t;
    a->next = g_aliases;
    g_aliases = a;
    return 1;
}

const char *kubl_intern(const char *text)
{
    if (!text) return nullptr;
    intern_node **at = &g_interned;
    for (; *at; at = &(*at)->next) {
        int order = strcmp((*at)->text, text);
        if (order == 0) return (*at)->text;
        if (order > 0) break;
    }
    size_t length = strlen(text);
    intern_node *node = (intern_node *)malloc(sizeof(intern_node) + length);
    if (!node) return nullptr;
    memcpy(node->text, text, length + 1);
    node->next = *at;
    *at = node;
    return node->text;
}
