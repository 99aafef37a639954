#pragma once

#include <string>

// The named materials of the form's "Predefined" list: ambient, diffuse and specular colours
// and a shininess.
struct SPredefinedMaterial
{
  const char* Name;
  float Ambient[3];
  float Diffuse[3];
  float Specular[3];
  float Shininess;
};

namespace predefined {

constexpr int kNbMaterial = 19;

// In the order they are offered.
const SPredefinedMaterial* Materials();
// The material of that exact name; one of black colours and shininess 0 for any other name.
const SPredefinedMaterial& FindMaterial(const std::string& name);

} // namespace predefined
