// graphics/glcaps.h — what the OpenGL driver offers, found once after the context is made: its
// strings, version, five extension flags, the texture unit count and the extension entry points.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

struct gl_capabilities {
    const char *vendor;        // glGetString results, or "NULL" when the driver gives none
    const char *renderer;
    const char *version;
    const char *extensions;
    int major, minor;          // "%d.%d" of the version string
    int generate_mipmap;       // GL_SGIS_generate_mipmap
    int framebuffer_object;    // GL_EXT_framebuffer_object
    int multitexture;          // GL_ARB_multitexture
    int fragment_shader;       // GL_ARB_fragment_shader
    int vertex_shader;         // GL_ARB_vertex_shader
    int texture_units;         // 1 without multitexture
};

extern gl_capabilities gl_caps;

// Every extension entry point the game may call, fetched whatever the flags say; null where the
// driver has none. Callers guard each use with the matching flag (or a built shader program).
#define GL_ENTRY_POINT_LIST(X) \
    /* GL_ARB_multitexture */ \
    X(PFNGLACTIVETEXTUREARBPROC, glActiveTextureARB) \
    X(PFNGLCLIENTACTIVETEXTUREARBPROC, glClientActiveTextureARB) \
    X(PFNGLMULTITEXCOORD1DARBPROC, glMultiTexCoord1dARB) \
    X(PFNGLMULTITEXCOORD1DVARBPROC, glMultiTexCoord1dvARB) \
    X(PFNGLMULTITEXCOORD1FARBPROC, glMultiTexCoord1fARB) \
    X(PFNGLMULTITEXCOORD1FVARBPROC, glMultiTexCoord1fvARB) \
    X(PFNGLMULTITEXCOORD1IARBPROC, glMultiTexCoord1iARB) \
    X(PFNGLMULTITEXCOORD1IVARBPROC, glMultiTexCoord1ivARB) \
    X(PFNGLMULTITEXCOORD1SARBPROC, glMultiTexCoord1sARB) \
    X(PFNGLMULTITEXCOORD1SVARBPROC, glMultiTexCoord1svARB) \
    X(PFNGLMULTITEXCOORD2DARBPROC, glMultiTexCoord2dARB) \
    X(PFNGLMULTITEXCOORD2DVARBPROC, glMultiTexCoord2dvARB) \
    X(PFNGLMULTITEXCOORD2FARBPROC, glMultiTexCoord2fARB) \
    X(PFNGLMULTITEXCOORD2FVARBPROC, glMultiTexCoord2fvARB) \
    X(PFNGLMULTITEXCOORD2IARBPROC, glMultiTexCoord2iARB) \
    X(PFNGLMULTITEXCOORD2IVARBPROC, glMultiTexCoord2ivARB) \
    X(PFNGLMULTITEXCOORD2SARBPROC, glMultiTexCoord2sARB) \
    X(PFNGLMULTITEXCOORD2SVARBPROC, glMultiTexCoord2svARB) \
    X(PFNGLMULTITEXCOORD3DARBPROC, glMultiTexCoord3dARB) \
    X(PFNGLMULTITEXCOORD3DVARBPROC, glMultiTexCoord3dvARB) \
    X(PFNGLMULTITEXCOORD3FARBPROC, glMultiTexCoord3fARB) \
    X(PFNGLMULTITEXCOORD3FVARBPROC, glMultiTexCoord3fvARB) \
    X(PFNGLMULTITEXCOORD3IARBPROC, glMultiTexCoord3iARB) \
    X(PFNGLMULTITEXCOORD3IVARBPROC, glMultiTexCoord3ivARB) \
    X(PFNGLMULTITEXCOORD3SARBPROC, glMultiTexCoord3sARB) \
    X(PFNGLMULTITEXCOORD3SVARBPROC, glMultiTexCoord3svARB) \
    X(PFNGLMULTITEXCOORD4DARBPROC, glMultiTexCoord4dARB) \
    X(PFNGLMULTITEXCOORD4DVARBPROC, glMultiTexCoord4dvARB) \
    X(PFNGLMULTITEXCOORD4FARBPROC, glMultiTexCoord4fARB) \
    X(PFNGLMULTITEXCOORD4FVARBPROC, glMultiTexCoord4fvARB) \
    X(PFNGLMULTITEXCOORD4IARBPROC, glMultiTexCoord4iARB) \
    X(PFNGLMULTITEXCOORD4IVARBPROC, glMultiTexCoord4ivARB) \
    X(PFNGLMULTITEXCOORD4SARBPROC, glMultiTexCoord4sARB) \
    X(PFNGLMULTITEXCOORD4SVARBPROC, glMultiTexCoord4svARB) \
    /* GL_EXT_framebuffer_object */ \
    X(PFNGLISRENDERBUFFEREXTPROC, glIsRenderbufferEXT) \
    X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT) \
    X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT) \
    X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT) \
    X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT) \
    X(PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC, glGetRenderbufferParameterivEXT) \
    X(PFNGLISFRAMEBUFFEREXTPROC, glIsFramebufferEXT) \
    X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT) \
    X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT) \
    X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT) \
    X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT) \
    X(PFNGLFRAMEBUFFERTEXTURE1DEXTPROC, glFramebufferTexture1DEXT) \
    X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT) \
    X(PFNGLFRAMEBUFFERTEXTURE3DEXTPROC, glFramebufferTexture3DEXT) \
    X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT) \
    X(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC, glGetFramebufferAttachmentParameterivEXT) \
    X(PFNGLGENERATEMIPMAPEXTPROC, glGenerateMipmapEXT) \
    /* GL_ARB_shader_objects */ \
    X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB) \
    X(PFNGLGETHANDLEARBPROC, glGetHandleARB) \
    X(PFNGLDETACHOBJECTARBPROC, glDetachObjectARB) \
    X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB) \
    X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB) \
    X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB) \
    X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB) \
    X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB) \
    X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB) \
    X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB) \
    X(PFNGLVALIDATEPROGRAMARBPROC, glValidateProgramARB) \
    X(PFNGLUNIFORM1FARBPROC, glUniform1fARB) \
    X(PFNGLUNIFORM1IARBPROC, glUniform1iARB) \
    X(PFNGLUNIFORM2FARBPROC, glUniform2fARB) \
    X(PFNGLUNIFORM2IARBPROC, glUniform2iARB) \
    X(PFNGLUNIFORM3FARBPROC, glUniform3fARB) \
    X(PFNGLUNIFORM3IARBPROC, glUniform3iARB) \
    X(PFNGLUNIFORM4FARBPROC, glUniform4fARB) \
    X(PFNGLUNIFORM4IARBPROC, glUniform4iARB) \
    X(PFNGLUNIFORM1FVARBPROC, glUniform1fvARB) \
    X(PFNGLUNIFORM1IVARBPROC, glUniform1ivARB) \
    X(PFNGLUNIFORM2FVARBPROC, glUniform2fvARB) \
    X(PFNGLUNIFORM2IVARBPROC, glUniform2ivARB) \
    X(PFNGLUNIFORM3FVARBPROC, glUniform3fvARB) \
    X(PFNGLUNIFORM3IVARBPROC, glUniform3ivARB) \
    X(PFNGLUNIFORM4FVARBPROC, glUniform4fvARB) \
    X(PFNGLUNIFORM4IVARBPROC, glUniform4ivARB) \
    X(PFNGLUNIFORMMATRIX2FVARBPROC, glUniformMatrix2fvARB) \
    X(PFNGLUNIFORMMATRIX3FVARBPROC, glUniformMatrix3fvARB) \
    X(PFNGLUNIFORMMATRIX4FVARBPROC, glUniformMatrix4fvARB) \
    X(PFNGLGETOBJECTPARAMETERFVARBPROC, glGetObjectParameterfvARB) \
    X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB) \
    X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB) \
    X(PFNGLGETATTACHEDOBJECTSARBPROC, glGetAttachedObjectsARB) \
    X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB) \
    X(PFNGLGETACTIVEUNIFORMARBPROC, glGetActiveUniformARB) \
    X(PFNGLGETUNIFORMFVARBPROC, glGetUniformfvARB) \
    X(PFNGLGETUNIFORMIVARBPROC, glGetUniformivARB) \
    X(PFNGLGETSHADERSOURCEARBPROC, glGetShaderSourceARB) \
    /* GL_ARB_vertex_shader */ \
    X(PFNGLVERTEXATTRIB1FARBPROC, glVertexAttrib1fARB) \
    X(PFNGLVERTEXATTRIB1SARBPROC, glVertexAttrib1sARB) \
    X(PFNGLVERTEXATTRIB1DARBPROC, glVertexAttrib1dARB) \
    X(PFNGLVERTEXATTRIB2FARBPROC, glVertexAttrib2fARB) \
    X(PFNGLVERTEXATTRIB2SARBPROC, glVertexAttrib2sARB) \
    X(PFNGLVERTEXATTRIB2DARBPROC, glVertexAttrib2dARB) \
    X(PFNGLVERTEXATTRIB3FARBPROC, glVertexAttrib3fARB) \
    X(PFNGLVERTEXATTRIB3SARBPROC, glVertexAttrib3sARB) \
    X(PFNGLVERTEXATTRIB3DARBPROC, glVertexAttrib3dARB) \
    X(PFNGLVERTEXATTRIB4FARBPROC, glVertexAttrib4fARB) \
    X(PFNGLVERTEXATTRIB4SARBPROC, glVertexAttrib4sARB) \
    X(PFNGLVERTEXATTRIB4DARBPROC, glVertexAttrib4dARB) \
    X(PFNGLVERTEXATTRIB4NUBARBPROC, glVertexAttrib4NubARB) \
    X(PFNGLVERTEXATTRIB1FVARBPROC, glVertexAttrib1fvARB) \
    X(PFNGLVERTEXATTRIB1SVARBPROC, glVertexAttrib1svARB) \
    X(PFNGLVERTEXATTRIB1DVARBPROC, glVertexAttrib1dvARB) \
    X(PFNGLVERTEXATTRIB2FVARBPROC, glVertexAttrib2fvARB) \
    X(PFNGLVERTEXATTRIB2SVARBPROC, glVertexAttrib2svARB) \
    X(PFNGLVERTEXATTRIB2DVARBPROC, glVertexAttrib2dvARB) \
    X(PFNGLVERTEXATTRIB3FVARBPROC, glVertexAttrib3fvARB) \
    X(PFNGLVERTEXATTRIB3SVARBPROC, glVertexAttrib3svARB) \
    X(PFNGLVERTEXATTRIB3DVARBPROC, glVertexAttrib3dvARB) \
    X(PFNGLVERTEXATTRIB4FVARBPROC, glVertexAttrib4fvARB) \
    X(PFNGLVERTEXATTRIB4SVARBPROC, glVertexAttrib4svARB) \
    X(PFNGLVERTEXATTRIB4DVARBPROC, glVertexAttrib4dvARB) \
    X(PFNGLVERTEXATTRIB4IVARBPROC, glVertexAttrib4ivARB) \
    X(PFNGLVERTEXATTRIB4BVARBPROC, glVertexAttrib4bvARB) \
    X(PFNGLVERTEXATTRIB4UBVARBPROC, glVertexAttrib4ubvARB) \
    X(PFNGLVERTEXATTRIB4USVARBPROC, glVertexAttrib4usvARB) \
    X(PFNGLVERTEXATTRIB4UIVARBPROC, glVertexAttrib4uivARB) \
    X(PFNGLVERTEXATTRIB4NBVARBPROC, glVertexAttrib4NbvARB) \
    X(PFNGLVERTEXATTRIB4NSVARBPROC, glVertexAttrib4NsvARB) \
    X(PFNGLVERTEXATTRIB4NIVARBPROC, glVertexAttrib4NivARB) \
    X(PFNGLVERTEXATTRIB4NUBVARBPROC, glVertexAttrib4NubvARB) \
    X(PFNGLVERTEXATTRIB4NUSVARBPROC, glVertexAttrib4NusvARB) \
    X(PFNGLVERTEXATTRIB4NUIVARBPROC, glVertexAttrib4NuivARB) \
    X(PFNGLVERTEXATTRIBPOINTERARBPROC, glVertexAttribPointerARB) \
    X(PFNGLENABLEVERTEXATTRIBARRAYARBPROC, glEnableVertexAttribArrayARB) \
    X(PFNGLDISABLEVERTEXATTRIBARRAYARBPROC, glDisableVertexAttribArrayARB) \
    X(PFNGLBINDATTRIBLOCATIONARBPROC, glBindAttribLocationARB) \
    X(PFNGLGETACTIVEATTRIBARBPROC, glGetActiveAttribARB) \
    X(PFNGLGETATTRIBLOCATIONARBPROC, glGetAttribLocationARB) \
    X(PFNGLGETVERTEXATTRIBDVARBPROC, glGetVertexAttribdvARB) \
    X(PFNGLGETVERTEXATTRIBFVARBPROC, glGetVertexAttribfvARB) \
    X(PFNGLGETVERTEXATTRIBIVARBPROC, glGetVertexAttribivARB) \
    X(PFNGLGETVERTEXATTRIBPOINTERVARBPROC, glGetVertexAttribPointervARB) \

struct gl_entry_points {
#define GL_ENTRY_POINT_MEMBER(type, name) type name;
    GL_ENTRY_POINT_LIST(GL_ENTRY_POINT_MEMBER)
#undef GL_ENTRY_POINT_MEMBER
};

extern gl_entry_points gl_ext;

// Fills gl_caps and gl_ext from the current context (a compatibility context: the extension
// list is read as one string). Logs "%d texture units\n" when multitexturing is there.
void gl_probe_extensions(void);

// The part of the probe that needs no context: strings (null becomes "NULL"), version and
// flags; texture_units back to 1.
void gl_caps_from_strings(const char *vendor, const char *renderer, const char *version,
                          const char *extensions);

// Shader programs are possible: fragment shaders and more than 3 texture units.
int gl_shader_capable(void);

// 1 when name is a whole word of the space-separated list: it starts the list or follows a
// space, and ends the list or comes before a space. A name holding a space never matches.
int gl_extension_listed(const char *extensions, const char *name);
