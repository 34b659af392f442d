#pragma once

// Shared by every header of the declared API surface. The surface holds exactly the Apple
// declarations the backend uses, so the backend can be compiled without the SDK. Built
// normally, the surface defines everything. Included after the real SDK headers by
// SurfaceCheck.mm (PLUMEO_SURFACE_CHECK), it
// - redeclares the functions, extern constants and scalar typedefs, which the compiler
//   rejects when they differ from the SDK's;
// - moves its enums and structs into namespace plumeo_surface, where SurfaceCheck.mm compares
//   them with the SDK's;
// - declares each Objective-C class as a subclass of the SDK class of that name, so that every
//   method and property it states overrides the SDK's, which -Woverriding-method-mismatch and
//   -Wincompatible-property-type reject when the types differ.

#undef PLUMEO_SURFACE_TYPES_BEGIN
#undef PLUMEO_SURFACE_TYPES_END
#undef PLUMEO_SURFACE_CLASS
#if defined(PLUMEO_SURFACE_CHECK)
#define PLUMEO_SURFACE_TYPES_BEGIN namespace plumeo_surface {
#define PLUMEO_SURFACE_TYPES_END }
#define PLUMEO_SURFACE_CLASS(name, super) interface PlumeoSurfaceCheck_##name : name
#else
#define PLUMEO_SURFACE_TYPES_BEGIN
#define PLUMEO_SURFACE_TYPES_END
#define PLUMEO_SURFACE_CLASS(name, super) interface name : super
#endif

#if !defined(PLUMEO_SURFACE_CHECK)

#define CF_EXTERN_C_BEGIN extern "C" {
#define CF_EXTERN_C_END }
// As the SDK spells them in C++: CF_ENUM a named enum (the leading typedef names a dummy int),
// CF_OPTIONS the integer type itself with its constants in an anonymous enum, so that options
// combine with | without casts.
#define CF_ENUM(_type, _name) int __CF_ENUM_##_name; enum _name : _type
#define CF_OPTIONS(_type, _name) _type _name; enum : _type
#define CG_EXTERN extern
#define NS_RETURNS_INNER_POINTER __attribute__((objc_returns_inner_pointer))
#define NS_OPTIONS(_type, _name) CF_OPTIONS(_type, _name)
#define NS_ENUM(_type, _name) CF_ENUM(_type, _name)
#define FOUNDATION_EXPORT extern "C"
#define APPKIT_EXTERN extern "C"

#endif
