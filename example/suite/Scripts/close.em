</td>
</tr>
<tr>
<td style="padding:14px 20px 4px 20px; font-family:Arial, Helvetica, sans-serif; font-size:12px; line-height:1.5; color:#59636e;">Counts on the right: core library errors / errors / warnings / external errors / external warnings (KxE / E / W / EE / EW). Black lines are groups, dark red lines tests with errors, teal lines tests with external errors.</td>
</tr>
<tr>
<td style="padding:10px 20px 20px 20px; font-family:Arial, Helvetica, sans-serif; font-size:13px; line-height:1.5; color:#1f2328;">The full report of this run is the page <a href="OBJ_LINKREPORT" style="color:#0b5cad; font-weight:bold;">OBJ_LINKREPORT</a> in the result directory of the run, beside its XML report. Open it from there through a web server, for example with python3 -m http.server in that directory.</td>
</tr>
</tbody>
</table>
</td>
</tr>
</tbody>
</table>
</body>
</html>
