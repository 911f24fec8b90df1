<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1.0">
<title>Regression test failures</title>
</head>
<body style="margin:0; padding:0; background-color:#eef1f4; color:#1f2328; font-family:Arial, Helvetica, sans-serif;">
