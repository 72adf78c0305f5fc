// ".km" model files and the model cache.
//
// ".km" text, whitespace separated:
//   "KM1"                        unskinned meshes follow
//   "KM2" bones name             skinned: bone count (at most 10), a name that is skipped
//   then meshes to the end of the file, each:
//     shininess alpha red green blue vertex_count triangle_count
//     per vertex: x y z  nx ny nz  u v  (KM2: one weight per bone, bone order)
//     per triangle: three vertex indices from 0
//   A file without "KM" is the older form: vertex_count triangle_count, then the vertices
//   (8 numbers) and triangles of one unskinned mesh.
// Shininess -1 marks a reflective mesh, -2 an unlit one; alpha is used only for those.
#include "graphics/model.h"
#include "graphics/texture.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/array.h"
#include "graphics/render_options.h"
#include "platform/command_line.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

struct model_state {
    growable_array        cache;              // of km_model *, in load order
    int                   cache_made;
    int                   deleted_triangles;  // of the file being read
    const model_list_ops *lists;
};

model_state g_models;

const float tangent_det_min   = 9.536743e-07f;   // 2^-20
const float tangent_fallback  = 9.536743e-07f;
const float degenerate_area2  = 8.271806e-25f;   // 2^-80

const model_list_ops &list_ops(void)
{
    return g_models.lists ? *g_models.lists : model_gl_lists;
}

void print_line(const char *format, const char *text)
{
    char line[1024];
    snprintf(line, sizeof line, format, text);
    console_print(line);
}

// The block for one mesh: the record, then every array, then the name. The counts are checked
// by the caller, so the sizes stay far below the range of size_t.
km_mesh *mesh_alloc(const char *name, int vertex_count, int triangle_count, int bone_count)
{
    std::size_t v = (std::size_t)vertex_count, t = (std::size_t)triangle_count;
    std::size_t halves = bone_count > 0 ? 2 : 1;
    std::size_t floats = v * 3 * halves * 3 + v * 2 + (bone_count > 0 ? v * 4 : 0);
    std::size_t ints = (bone_count > 0 ? v * 4 : 0) + t * 3;
    std::size_t name_bytes = strlen(name) + 1;
    std::size_t size = sizeof(km_mesh) + floats * sizeof(float) + ints * sizeof(std::int32_t) + name_bytes;
    km_mesh *m = (km_mesh *)alloc_or_die(size);
    memset(m, 0, sizeof *m);
    float *f = (float *)(m + 1);
    m->positions = f;  f += v * 3 * halves;
    m->normals = f;    f += v * 3 * halves;
    m->tangents = f;   f += v * 3 * halves;
    m->texcoords = f;  f += v * 2;
    if (bone_count > 0) {
        m->weights = f;
        f += v * 4;
    }
    std::int32_t *i = (std::int32_t *)f;
    if (bone_count > 0) {
        m->bone_indices = i;
        i += v * 4;
    }
    m->triangles = i;
    i += t * 3;
    m->name = (char *)i;
    memcpy(m->name, name, name_bytes);
    m->vertex_count = vertex_count;
    m->triangle_count = triangle_count;
    m->bone_count = bone_count;
    return m;
}

int counts_ok(int vertex_count, int triangle_count, const char *name)
{
    if (vertex_count >= 0 && vertex_count <= MODEL_MAX_VERTICES && triangle_count >= 0 &&
        triangle_count <= MODEL_MAX_TRIANGLES)
        return 1;
    char line[1024];
    snprintf(line, sizeof line, "Warning: bad mesh size (%d vertices, %d triangles) in '%.900s'",
             vertex_count, triangle_count, name);
    console_print(line);
    return 0;
}

// Each positive weight takes the slot of the smallest weight so far, even when it is smaller
// itself; the four kept are then scaled to sum 1.
void add_weight(km_mesh *m, int vertex, int bone, float weight, int *warned)
{
    float *w = m->weights + vertex * 4;
    std::int32_t *b = m->bone_indices + vertex * 4;
    int slot = 0;
    for (int k = 1; k < 4; ++k)
        if (w[k] < w[slot]) slot = k;
    if (w[slot] != 0 && !*warned) {
        print_line("Warning: vertex with more than 4 bone influences in '%.900s'", m->name);
        *warned = 1;
    }
    w[slot] = weight;
    b[slot] = bone;
}

void normalise_weights(float *w)
{
    float sum = w[0] + w[1] + w[2] + w[3];
    for (int k = 0; k < 4; ++k) w[k] = sum != 0 ? w[k] / sum : 0.25f;
}

// Vertices (and weights) then triangles; 0 when any value cannot be read.
int read_body(data_stream *s, km_mesh *m)
{
    const int n = m->vertex_count, bones = m->bone_count;
    int warned = 0;
    for (int i = 0; i < n; ++i) {
        float *p = m->positions + i * 3, *nv = m->normals + i * 3, *tc = m->texcoords + i * 2;
        if (data_scanf(s, "%f %f %f %f %f %f %f %f", &p[0], &p[1], &p[2], &nv[0], &nv[1], &nv[2],
                       &tc[0], &tc[1]) != 8)
            return 0;
        tc[1] = 1.0f - tc[1];
        if (bones <= 0) continue;
        memcpy(m->positions + (n + i) * 3, p, 3 * sizeof(float));
        memcpy(m->normals + (n + i) * 3, nv, 3 * sizeof(float));
        float *w = m->weights + i * 4;
        std::int32_t *b = m->bone_indices + i * 4;
        for (int k = 0; k < 4; ++k) {
            w[k] = 0;
            b[k] = 0;
        }
        for (int bone = 0; bone < bones; ++bone) {
            float weight;
            if (data_scanf(s, "%f", &weight) != 1) return 0;
            if (weight > 0) add_weight(m, i, bone, weight, &warned);
        }
        normalise_weights(w);
    }
    for (int t = 0; t < m->triangle_count; ++t) {
        std::int32_t *tri = m->triangles + t * 3;
        if (data_scanf(s, "%d %d %d", &tri[0], &tri[1], &tri[2]) != 3) return 0;
    }
    return 1;
}

int index_ok(const km_mesh *m, const std::int32_t *tri)
{
    return tri[0] >= 0 && tri[0] < m->vertex_count && tri[1] >= 0 && tri[1] < m->vertex_count &&
           tri[2] >= 0 && tri[2] < m->vertex_count;
}

void remove_degenerate(km_mesh *m)
{
    int kept = 0;
    for (int t = 0; t < m->triangle_count; ++t) {
        const std::int32_t *tri = m->triangles + t * 3;
        if (!index_ok(m, tri) || triangle_is_degenerate(m->positions + tri[0] * 3, m->positions + tri[1] * 3,
                                                        m->positions + tri[2] * 3))
            continue;
        if (kept != t) memmove(m->triangles + kept * 3, tri, 3 * sizeof(std::int32_t));
        kept++;
    }
    g_models.deleted_triangles += m->triangle_count - kept;
    m->triangle_count = kept;
}

// Tangents, degenerate triangles and the display list, once the values are in.
void mesh_finish(km_mesh *m, int compile)
{
    model_build_tangents(m);
    remove_degenerate(m);
    if (compile) m->display_list = list_ops().compile(m);
}

km_mesh *parse_count_only(data_stream *s, const char *name)
{
    int vertex_count, triangle_count;
    if (data_scanf(s, "%d %d", &vertex_count, &triangle_count) != 2) return nullptr;
    if (!counts_ok(vertex_count, triangle_count, name)) return nullptr;
    km_mesh *m = mesh_alloc(name, vertex_count, triangle_count, 0);
    m->shininess = 32;
    m->red = m->green = m->blue = m->alpha = 1;
    if (!read_body(s, m)) {
        mem_free(m);
        return nullptr;
    }
    mesh_finish(m, 1);
    return m;
}

void meshes_free(km_mesh *m)
{
    while (m) {
        km_mesh *next = m->next;
        mesh_free(m);
        m = next;
    }
}

// The model, its meshes and every variant of its LOD chain.
void model_free(km_model *model)
{
    for (km_mesh *lod = model->lod_next; lod;) {
        km_mesh *next = lod->lod_next;
        meshes_free(lod);
        lod = next;
    }
    meshes_free(model);
}

km_model **cache_at(int i) { return (km_model **)g_models.cache.items + i; }

// Indexed files named base + "_lod" + number (any ending) become the model's variants.
void load_lod_variants(km_model *model, const char *name)
{
    const char *dot = strrchr(name + 1, '.');
    if (!dot) return;
    std::size_t base_length = (std::size_t)(dot - (name + 1));
    const char *const *names = file_index_names();
    for (; names && *names; ++names) {
        const char *candidate = *names;
        if (strncmp(candidate, name + 1, base_length) || strncmp(candidate + base_length, "_lod", 4)) continue;
        const char *number = candidate + base_length + 4;
        char *end;
        if (*number == ' ' || (*number >= '\t' && *number <= '\r')) continue;
        double level = strtod(number, &end);
        if (end == number) continue;
        std::size_t length = strlen(candidate);
        char *path = (char *)alloc_or_die(length + 2);
        path[0] = '@';
        memcpy(path + 1, candidate, length + 1);
        if (length >= 3 && !strcmp(path + 1 + length - 3, ".gz")) path[1 + length - 3] = 0;
        km_mesh *variant = model_parse_file(path);
        mem_free(path);
        if (!variant) continue;
        variant->lod_distance = (float)pow(2.0, level);
        km_mesh **at = &model->lod_next;
        while (*at && (*at)->lod_distance < variant->lod_distance) at = &(*at)->lod_next;
        variant->lod_next = *at;
        *at = variant;
    }
}

} // namespace

void model_set_list_ops(const model_list_ops *ops)
{
    g_models.lists = ops;
}

void mesh_free(km_mesh *mesh)
{
    if (mesh->display_list) list_ops().destroy(mesh->display_list);
    mem_free(mesh);
}

int triangle_is_degenerate(const float *p0, const float *p1, const float *p2)
{
    float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    return c[0] * c[0] + c[1] * c[1] + c[2] * c[2] < degenerate_area2;
}

void model_build_tangents(km_mesh *m)
{
    const int n = m->vertex_count;
    memset(m->tangents, 0, (std::size_t)n * 3 * sizeof(float));
    for (int t = 0; t < m->triangle_count; ++t) {
        const std::int32_t *tri = m->triangles + t * 3;
        if (!index_ok(m, tri)) continue;
        const float *p0 = m->positions + tri[0] * 3, *p1 = m->positions + tri[1] * 3, *p2 = m->positions + tri[2] * 3;
        const float *t0 = m->texcoords + tri[0] * 2, *t1 = m->texcoords + tri[1] * 2, *t2 = m->texcoords + tri[2] * 2;
        float e1[3], e2[3], tan[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = p1[k] - p0[k];
            e2[k] = p2[k] - p0[k];
        }
        float du1 = t1[0] - t0[0], dv1 = t1[1] - t0[1], du2 = t2[0] - t0[0], dv2 = t2[1] - t0[1];
        float det = du1 * dv2 - du2 * dv1;
        if (std::fabs(det) >= tangent_det_min) {
            float b[3];
            for (int k = 0; k < 3; ++k) {
                tan[k] = (e1[k] * dv2 - e2[k] * dv1) / det;
                b[k] = (e2[k] * du1 - e1[k] * du2) / det;
            }
            float tb[3] = {tan[1] * b[2] - tan[2] * b[1], tan[2] * b[0] - tan[0] * b[2], tan[0] * b[1] - tan[1] * b[0]};
            float face[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
            if (tb[0] * face[0] + tb[1] * face[1] + tb[2] * face[2] <= 0)
                for (float &c : tan) c = -c;
        } else {
            // No usable texture mapping: a tiny tangent along the longer edge, so that the
            // triangle's neighbours decide the vertex's direction.
            float l1 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2];
            float l2 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
            const float *e = l1 > l2 ? e1 : e2;
            float l = std::sqrt(l1 > l2 ? l1 : l2);
            if (l > 0) {
                for (int k = 0; k < 3; ++k) tan[k] = e[k] / l * tangent_fallback;
            } else {
                tan[0] = tangent_fallback;
                tan[1] = tan[2] = 0;
            }
        }
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) m->tangents[tri[c] * 3 + k] += tan[k];
    }
    for (int i = 0; i < n; ++i) {
        float *t = m->tangents + i * 3;
        float l = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
        if (l > 0) {
            t[0] /= l;
            t[1] /= l;
            t[2] /= l;
        } else {
            t[0] = 1;
            t[1] = t[2] = 0;
        }
    }
    if (m->bone_count > 0) memcpy(m->tangents + n * 3, m->tangents, (std::size_t)n * 3 * sizeof(float));
}

km_mesh *model_parse_mesh(data_stream *s, const char *name, int bone_count)
{
    if (bone_count < 0 || bone_count > MODEL_MAX_BONES) {
        // Bone indices past the shader programs' arrays would read beyond them.
        char line[1024];
        snprintf(line, sizeof line, "Warning: %d bones in '%.900s' (at most %d)", bone_count, name,
                 MODEL_MAX_BONES);
        console_print(line);
        return nullptr;
    }
    float shininess, alpha, red, green, blue;
    int vertex_count, triangle_count;
    if (data_scanf(s, "%f %f %f %f %f %d %d", &shininess, &alpha, &red, &green, &blue, &vertex_count,
                   &triangle_count) != 7)
        return nullptr;
    if (!counts_ok(vertex_count, triangle_count, name)) return nullptr;
    km_mesh *m = mesh_alloc(name, vertex_count, triangle_count, bone_count);
    m->shininess = shininess;
    m->reflective = shininess == -1;
    m->alpha = shininess >= 0 ? 1.0f : alpha;
    m->red = red;
    m->green = green;
    m->blue = blue;
    if (!read_body(s, m)) {
        mem_free(m);
        return nullptr;
    }
    // Skinned meshes without shader programs, and reflective ones, change per draw.
    mesh_finish(m, g_render.use_shader || (bone_count == 0 && shininess >= 0));
    return m;
}

km_mesh *model_parse_file(const char *path)
{
    data_stream *s = data_open(path, "rb");
    if (!s) return nullptr;
    g_models.deleted_triangles = 0;
    km_mesh *first = nullptr;
    int version;
    if (data_scanf(s, "KM%d", &version) == 1) {
        int bones = 0;
        char skipped[1024];
        int header_ok = version == 1 || (version == 2 && data_scanf(s, "%d %1023s", &bones, skipped) == 2);
        if (header_ok) first = model_parse_mesh(s, path, bones);
        if (first) {
            km_mesh *tail = first, *m;
            while ((m = model_parse_mesh(s, path, bones)) != nullptr) {
                tail->next = m;
                tail = m;
                if (m->reflective) first->reflective = 1;
            }
        }
    } else {
        first = parse_count_only(s, path);
    }
    data_close(s);
    if (g_models.deleted_triangles) {
        char line[1024];
        snprintf(line, sizeof line, "%d degenerate triangles deleted in %.100s", g_models.deleted_triangles, path);
        console_print(line);
    }
    return first;
}

km_model *model_load(const char *name)
{
    if (!g_models.cache_made) {
        if (!growable_array_init(&g_models.cache, sizeof(km_model *))) return nullptr;
        g_models.cache_made = 1;
    }
    for (int i = 0; i < g_models.cache.count; ++i) {
        km_model *m = *cache_at(i);
        if (strcmp(m->name, name)) {
            if (strcasecmp(m->name, name)) continue;
            print_line("Warning: case mismatch on '%.900s'", name);
        }
        m->generation = resource_generation;
        return m;
    }
    km_model *model = model_parse_file(name);
    if (!model) return nullptr;
    model->lod_distance = 0;
    model->lod_next = nullptr;
    model->generation = resource_generation;
    growable_array_append(&g_models.cache, &model);
    if (name[0] == '@') load_lod_variants(model, name);
    return model;
}

const char *model_name(const km_model *model)
{
    return model->name;
}

void model_purge(int all)
{
    if (!g_models.cache_made) return;
    for (int i = g_models.cache.count - 1; i >= 0; --i) {
        km_model *m = *cache_at(i);
        if (!all && (m->generation == 0 || m->generation == resource_generation)) continue;
        if (g_options.debug_level) print_line("deleting model %.900s", m->name);
        model_free(m);
        memmove(cache_at(i), cache_at(i + 1), (std::size_t)(g_models.cache.count - i - 1) * sizeof(km_model *));
        g_models.cache.count--;
    }
    if (all) {
        growable_array_free(&g_models.cache);
        g_models.cache_made = 0;
    }
}

static void mesh_export_pov(const km_mesh *m, data_stream *s)
{
    const int n = m->vertex_count, t = m->triangle_count;
    data_printf(s, "mesh2 {\n");
    data_printf(s, "\tvertex_vectors {\n\t\t%d\n", n);
    for (int i = 0; i < n; ++i)
        data_printf(s, "\t\t<%f,%f,%f>%s\n", m->positions[i * 3], m->positions[i * 3 + 1], m->positions[i * 3 + 2],
                    i + 1 < n ? "," : "");
    data_printf(s, "\t}\n\tnormal_vectors {\n\t\t%d\n", n);
    for (int i = 0; i < n; ++i)
        data_printf(s, "\t\t<%f,%f,%f>%s\n", m->normals[i * 3], m->normals[i * 3 + 1], m->normals[i * 3 + 2],
                    i + 1 < n ? "," : "");
    data_printf(s, "\t}\n\tuv_vectors {\n\t\t%d\n", n);
    for (int i = 0; i < n; ++i)
        data_printf(s, "\t\t<%f,%f>%s\n", m->texcoords[i * 2], m->texcoords[i * 2 + 1], i + 1 < n ? "," : "");
    data_printf(s, "\t}\n\tface_indices {\n\t\t%d\n", t);
    for (int i = 0; i < t; ++i)
        data_printf(s, "\t\t<%d,%d,%d>%s\n", m->triangles[i * 3], m->triangles[i * 3 + 1], m->triangles[i * 3 + 2],
                    i + 1 < t ? "," : "");
    data_printf(s, "\t}\n}\n");
}

void model_export_pov(const km_model *model, data_stream *s)
{
    if (!model->next) {
        mesh_export_pov(model, s);
        return;
    }
    data_printf(s, "union {\n");
    for (const km_mesh *m = model; m; m = m->next) mesh_export_pov(m, s);
    data_printf(s, "}\n");
}
